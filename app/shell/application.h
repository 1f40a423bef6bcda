#pragma once
// The application from its process entry: the verification modes, then one
// instance per user and profile, then the QApplication with the desktop's
// services, the coordinator, the windows, the probe and, for --demo, the
// loopback server on a profile of its own.
//
// Main thread only.

namespace sorvalind {

int runApplication(int argc, char** argv);

} // namespace sorvalind
