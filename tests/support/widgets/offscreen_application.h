#pragma once
// The one QApplication of a widget test program, set up so that every run
// draws the same pixels: the offscreen platform, the Fusion style, scale 1,
// the DejaVu fonts, the en_US locale, no animations and no blinking cursor.
// Register it once per program with registerOffscreenApplication().

namespace sorvalind::test {

void registerOffscreenApplication(const char* programName);

} // namespace sorvalind::test
