#pragma once
// The player bar's background: a rounded panel over a soft shadow. The
// shadow is drawn once per radius, blur and pixel ratio into a small image
// and stretched as nine patches, so painting the bar never blurs anything.
//
// GUI thread only.

#include <QColor>
#include <QMargins>
#include <QRect>

class QPainter;

namespace sorvalind {

struct PanelLook {
    int radius = 12;
    int blur = 10;
    int offsetY = 4;
    QColor shadow = QColor(0, 0, 0, 20); // black at opacity 0.08
};

// The room the shadow needs around the panel.
QMargins panelShadowMargins(const PanelLook& look);
// Paints the shadow and the panel, the panel filling `panel`.
void paintPanel(QPainter& painter, const QRect& panel, const QColor& fill, const QColor& border,
                const PanelLook& look, qreal devicePixelRatio);

} // namespace sorvalind
