#pragma once
// The downloads page: a header with the number of offline files, the space
// they take and "Remove All" (no confirmation; disabled without files), the
// list of transfers and offline copies, the empty state while there are
// neither, and the "Download error" box while the manager holds an error.
// Every change goes through the model's download manager; closing the box
// in any way clears the error.
//
// GUI thread only.

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>

class QLabel;

class QPushButton;

namespace sorvalind {

class AppModel;
class ContentUnavailableView;
class DownloadsList;
class ModelAdapter;

class DownloadsView : public QWidget {
    Q_OBJECT
public:
    DownloadsView(std::shared_ptr<AppModel> model, QWidget* parent = nullptr);
    ~DownloadsView() override;

    DownloadsList& list() const noexcept { return *list_; }
    QLabel& summary() const noexcept { return *summary_; }
    QPushButton& removeAllButton() const noexcept { return *removeAll_; }
    ContentUnavailableView& emptyState() const noexcept { return *empty_; }
    // The open "Download error" box, if any.
    QMessageBox* alert() const noexcept { return alert_; }
    void flush();

private:
    void update();
    void showError();

    std::shared_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    QLabel* summary_;
    QPushButton* removeAll_;
    DownloadsList* list_;
    ContentUnavailableView* empty_;
    QPointer<QMessageBox> alert_;
};

} // namespace sorvalind
