#include "support/widgets/screenshots.h"

#include "support/widgets/gui_wait.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace sorvalind::test {

QString saveScreenshot(QWidget& widget, const QString& folder, const QString& name) {
    if (!widget.isVisible()) widget.show();
    processEvents();
    const QString directory = QStringLiteral(SORVALIND_BUILD_DIR "/screenshots/") + folder;
    if (!QDir().mkpath(directory)) return {};
    const QString file = directory + QLatin1Char('/') + name + QStringLiteral(".png");
    return widget.grab().save(file) ? file : QString();
}

} // namespace sorvalind::test
