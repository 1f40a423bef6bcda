#pragma once
// The warning and checkbox with which the user allows plain HTTP to the
// server address now in the sign-in form. The form owns the consent: it reads
// `accepted()` and puts it back with setAccepted(), which never echoes as a
// user change. GUI thread only.

#include <QWidget>

class QCheckBox;
class QLabel;

namespace sorvalind {

class HTTPConnectionConsent : public QWidget {
    Q_OBJECT

public:
    explicit HTTPConnectionConsent(QWidget* parent = nullptr);

    bool accepted() const;
    // The form's own value: no `acceptedToggled` follows.
    void setAccepted(bool accepted);

    QLabel* warningLabel() const noexcept { return warning_; }
    QCheckBox* toggle() const noexcept { return toggle_; }

signals:
    // The user ticked or unticked the checkbox.
    void acceptedToggled(bool accepted);

private:
    QLabel* warning_;
    QCheckBox* toggle_;
};

} // namespace sorvalind
