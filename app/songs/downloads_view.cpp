#include "songs/downloads_view.h"

#include "songs/content_unavailable_view.h"
#include "songs/downloads_list.h"

#include "kit/dialogs.h"
#include "kit/model_adapter.h"
#include "kit/text_styles.h"

#include "model/app_model.h"
#include "platform/text/byte_count.h"
#include "platform/text/locale_number.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvalind {

DownloadsView::DownloadsView(std::shared_ptr<AppModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), adapter_(new ModelAdapter(this)) {
    DownloadsList::Actions actions;
    const std::weak_ptr<AppModel> weak = model_;
    auto with = [weak](auto run) {
        return [weak, run](const auto& value) {
            if (auto model = weak.lock()) run(*model, value);
        };
    };
    actions.cancelAll = [weak] {
        if (auto model = weak.lock()) model->downloads().cancelAll();
    };
    actions.pause = with([](AppModel& model, const std::string& id) { model.downloads().pause(id); });
    actions.retry = with([](AppModel& model, const std::string& id) { model.downloads().retry(id); });
    actions.cancel = with([](AppModel& model, const std::string& id) { model.downloads().cancel(id); });
    actions.play = with([](AppModel& model, const DownloadRecord& record) {
        // This very copy: the record's quality is the one preferred.
        model.playback().play({record.song}, std::nullopt, std::nullopt, record.quality);
    });
    actions.remove =
        with([](AppModel& model, const DownloadRecord& record) { model.downloads().remove(record); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* header = new QWidget(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(20, 20, 20, 20);
    summary_ = new QLabel(header);
    summary_->setTextFormat(Qt::PlainText);
    applySecondaryStyle(summary_);
    removeAll_ = new QPushButton(QStringLiteral("Remove All"), header);
    connect(removeAll_, &QPushButton::clicked, this, [weak] {
        if (auto model = weak.lock()) model->downloads().removeAll();
    });
    headerLayout->addWidget(summary_);
    headerLayout->addStretch(1);
    headerLayout->addWidget(removeAll_);
    layout->addWidget(header);

    auto* body = new QWidget(this);
    auto* stack = new QGridLayout(body);
    stack->setContentsMargins(0, 0, 0, 0);
    list_ = new DownloadsList(model_.get(), std::move(actions), body);
    empty_ = new ContentUnavailableView(
        QStringLiteral("arrow.down.circle"), QStringLiteral("Take your music with you"),
        QStringLiteral(
            "Download songs, albums or playlists in original quality or MP3 using their context menus."),
        body);
    stack->addWidget(list_, 0, 0);
    stack->addWidget(empty_, 0, 0);
    layout->addWidget(body, 1);

    if (model_) {
        DownloadManager& downloads = model_->downloads();
        adapter_->watch(downloads.jobs(), [this] { update(); });
        adapter_->watch(downloads.records(), [this] { update(); });
        adapter_->watch(downloads.error(), [this] { showError(); });
        adapter_->watch(model_->isOffline(), [this] { list_->cellDelegate().covers().retryMissing(); });
    }
    update();
    showError();
}

DownloadsView::~DownloadsView() {
    if (alert_) alert_->close();
}

void DownloadsView::flush() {
    adapter_->flush();
}

void DownloadsView::update() {
    std::vector<DownloadJob> jobs;
    std::vector<DownloadRecord> records;
    std::int64_t bytes = 0;
    if (model_) {
        jobs = model_->downloads().jobs().value();
        records = model_->downloads().records().value();
        bytes = model_->downloads().storageBytes();
    }
    summary_->setText(QString::number(records.size()) + QStringLiteral(" files · ") +
                      QString::fromStdString(fileByteCountText(bytes, text::userLocaleId())));
    removeAll_->setEnabled(!records.empty());
    empty_->setVisible(jobs.empty() && records.empty());
    list_->rows().setContents(std::move(jobs), std::move(records));
}

void DownloadsView::showError() {
    const std::optional<std::string> error = model_ ? model_->downloads().error().value() : std::nullopt;
    if (!error) {
        if (alert_) alert_->close();
        return;
    }
    const QString text = QString::fromStdString(*error);
    if (alert_) {
        alert_->setInformativeText(text);
        return;
    }
    MessageDialog message;
    message.title = QStringLiteral("Download error");
    message.text = QStringLiteral("Download error");
    message.informativeText = text;
    message.buttons = QMessageBox::Ok;
    message.escapeButton = QMessageBox::Ok;
    const std::weak_ptr<AppModel> weak = model_;
    alert_ = openMessage(this, message, [weak](QMessageBox::StandardButton) {
        if (auto model = weak.lock()) model->downloads().setError(std::nullopt);
    });
}

} // namespace sorvalind
