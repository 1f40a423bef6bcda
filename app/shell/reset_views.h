#pragma once
// The button that resets everything stored on this computer, with its
// confirmation, and the red style it is drawn in. Pressing it only asks; the
// reset starts from the confirmation's "Delete Everything" and runs in the
// coordinator without the button waiting for it. GUI thread only.

#include <QPointer>
#include <QPushButton>

#include <memory>

#include <QMessageBox>

namespace sorvalind {

class AppCoordinator;
class ModelAdapter;

class ResetAppButton : public QPushButton {
    Q_OBJECT

public:
    explicit ResetAppButton(std::shared_ptr<AppCoordinator> coordinator, QWidget* parent = nullptr);

    // The confirmation while it is shown (window-modal, Cancel its default).
    QMessageBox* confirmation() const { return confirmation_; }
    QPushButton* deleteButton() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    void confirm();
    void render();

    std::shared_ptr<AppCoordinator> coordinator_;
    ModelAdapter* watch_;
    QPointer<QMessageBox> confirmation_;
};

} // namespace sorvalind
