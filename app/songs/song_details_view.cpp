#include "songs/song_details_view.h"

#include "songs/song_detail_links.h"

#include "kit/dialogs.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "kit/view_task.h"

#include "errors/safe_error.h"
#include "model/app_model.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace sorvalind {

struct SongDetailsView::Tasks {
    explicit Tasks(QObject* owner) : store(owner), fetch(owner) {}
    ViewTask<int> store;
    ViewTask<int> fetch;
};

namespace {

QLabel* textLabel(const QString& text, TextStyle style, bool secondary, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    applyTextStyle(label, style);
    if (secondary) applySecondaryStyle(label);
    return label;
}

} // namespace

SongDetailsView::SongDetailsView(std::shared_ptr<AppModel> model, Song song, Executor& workers,
                                 Navigate navigate, QWidget* parent)
    : QDialog(parent), model_(std::move(model)), original_(std::move(song)), workers_(workers),
      navigate_(std::move(navigate)), song_(original_), tasks_(std::make_unique<Tasks>(this)) {
    if (!navigate_)
        navigate_ = [weak = std::weak_ptr<AppModel>(model_)](const SongDetailDestination& destination) {
            if (auto model = weak.lock()) model->showSongDetailDestination(destination);
        };
    setWindowTitle(QStringLiteral("Song Details"));
    setFixedSize(520, 650);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(20, 16, 20, 16);
    auto* headings = new QVBoxLayout;
    headings->setSpacing(6);
    auto* caption = textLabel(QStringLiteral("Song Details"), TextStyle::headline, true, header);
    title_ = textLabel({}, TextStyle::title2, false, header);
    applyTextStyle(title_, TextStyle::title2, QFont::Bold);
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    quality_ = textLabel({}, TextStyle::callout, true, header);
    headings->addWidget(caption);
    headings->addWidget(title_);
    headings->addWidget(quality_);
    headerLayout->addLayout(headings, 1);
    headerLayout->addSpacing(16);
    auto* doneButton = new QPushButton(QStringLiteral("Done"), header);
    doneButton->setAutoDefault(false);
    connect(doneButton, &QPushButton::clicked, this, &QDialog::reject);
    headerLayout->addWidget(doneButton, 0, Qt::AlignTop);
    layout->addWidget(header);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    content_ = new QWidget(scroll);
    contentLayout_ = new QVBoxLayout(content_);
    contentLayout_->setContentsMargins(20, 16, 20, 20);
    contentLayout_->setSpacing(24);
    scroll->setWidget(content_);
    layout->addWidget(scroll, 1);

    rebuild();
    load();
}

SongDetailsView::~SongDetailsView() = default;

SongDetailsView* SongDetailsView::open(std::shared_ptr<AppModel> model, Song song, Executor& workers,
                                       QWidget* parent, Navigate navigate) {
    auto* view = new SongDetailsView(std::move(model), std::move(song), workers, std::move(navigate), parent);
    openDialog(view);
    return view;
}

void SongDetailsView::done(int result) {
    // A load still running ends with the sheet: nothing is shown or saved.
    tasks_->store.cancel();
    tasks_->fetch.cancel();
    loading_ = false;
    QDialog::done(result);
}

void SongDetailsView::retry() {
    ++refreshID_;
    load();
}

void SongDetailsView::follow(const SongDetailDestination& destination) {
    const Navigate navigate = navigate_;
    reject();
    navigate(destination);
}

void SongDetailsView::load() {
    tasks_->fetch.cancel();
    loading_ = true;
    message_.reset();
    rebuild();
    if (!model_) {
        loading_ = false;
        message_ = noClientMessage;
        rebuild();
        return;
    }
    LibraryRepository& repository = model_->repository();
    tasks_->store.run(
        refreshID_, repository.executor(),
        [&repository, id = original_.id](std::stop_token) -> std::optional<Song> {
            try {
                return repository.song(id);
            } catch (...) {
                // A failed read is as good as none: the server may still answer.
                return std::nullopt;
            }
        },
        [this](Outcome<std::optional<Song>> stored) {
            if (stored.hasValue() && stored.get()) song_ = mergingDetails(original_, *stored.get());
            fetch();
        });
}

void SongDetailsView::fetch() {
    const std::shared_ptr<APIClient> api = model_->api();
    if (!api) {
        message_ = noClientMessage;
        loading_ = false;
        rebuild();
        return;
    }
    tasks_->fetch.run(
        refreshID_, workers_, [api, id = original_.id](std::stop_token stop) { return api->song(id, stop); },
        [this](Outcome<Song> fetched) {
            loading_ = false;
            if (!fetched.hasValue()) {
                message_ = fetchFailedPrefix + SafeError::message(fetched.error());
                rebuild();
                return;
            }
            song_ = mergingDetails(song_, fetched.get());
            LibraryRepository& repository = model_->repository();
            // The saved copy serves the next opening; its failure shows nothing.
            repository.executor().post([&repository, song = song_, life = std::weak_ptr<AppModel>(model_)] {
                if (life.expired()) return;
                try {
                    repository.cacheSongDetails(song);
                } catch (...) {
                }
            });
            rebuild();
        });
    rebuild();
}

void SongDetailsView::rebuild() {
    title_->setText(QString::fromStdString(song_.title));
    const QString quality = QString::fromStdString(song_.quality());
    quality_->setText(quality);
    quality_->setVisible(!quality.isEmpty());

    while (QLayoutItem* item = contentLayout_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // Out of sight now; deleted once the click that got here has returned.
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    retry_ = nullptr;

    if (loading_) {
        auto* row = new QWidget(content_);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* busy = new QProgressBar(row);
        busy->setRange(0, 0);
        busy->setTextVisible(false);
        busy->setFixedSize(80, 8);
        rowLayout->addWidget(busy);
        rowLayout->addWidget(textLabel(QStringLiteral("Loading details…"), TextStyle::callout, false, row),
                             1);
        contentLayout_->addWidget(row);
    }
    if (message_) {
        auto* block = new QWidget(content_);
        auto* blockLayout = new QVBoxLayout(block);
        blockLayout->setContentsMargins(0, 0, 0, 0);
        blockLayout->setSpacing(8);
        blockLayout->addWidget(textLabel(QString::fromStdString(*message_), TextStyle::callout, true, block));
        if (model_ && model_->api()) {
            retry_ = new QPushButton(QStringLiteral("Retry"), block);
            retry_->setAutoDefault(false);
            connect(retry_, &QPushButton::clicked, this, &SongDetailsView::retry);
            blockLayout->addWidget(retry_, 0, Qt::AlignLeft);
        }
        contentLayout_->addWidget(block);
    }

    static const std::vector<Artist> noArtists;
    const AppModel::ArtistList loaded = model_ ? model_->artists().value() : nullptr;
    const std::vector<Artist>& artists = loaded ? *loaded : noArtists;
    for (const SongDetailSection& section : detailSections(song_)) {
        auto* block = new QWidget(content_);
        auto* blockLayout = new QVBoxLayout(block);
        blockLayout->setContentsMargins(0, 0, 0, 0);
        blockLayout->setSpacing(12);
        blockLayout->addWidget(
            textLabel(QString::fromStdString(section.title), TextStyle::headline, false, block));
        for (const SongDetailField& field : section.fields) {
            auto* fieldBlock = new QWidget(block);
            auto* fieldLayout = new QVBoxLayout(fieldBlock);
            fieldLayout->setContentsMargins(0, 0, 0, 0);
            fieldLayout->setSpacing(4);
            fieldLayout->addWidget(
                textLabel(QString::fromStdString(field.label), TextStyle::caption, true, fieldBlock));
            const QString value = QString::fromStdString(field.value);
            if (const auto destination = resolvedDestination(field, artists)) {
                auto* row = new QWidget(fieldBlock);
                auto* rowLayout = new QHBoxLayout(row);
                rowLayout->setContentsMargins(0, 0, 0, 0);
                rowLayout->setSpacing(4);
                auto* link = new QPushButton(value, row);
                link->setFlat(true);
                link->setCursor(Qt::PointingHandCursor);
                link->setAutoDefault(false);
                link->setStyleSheet(
                    QStringLiteral("QPushButton { border: none; padding: 0px; text-align: left; color: ") +
                    accentColor().name() + QStringLiteral("; }"));
                link->setAccessibleName(value);
                link->setAccessibleDescription(QStringLiteral("Open ") + value +
                                               QStringLiteral(" in your library"));
                connect(link, &QPushButton::clicked, this, [this, target = *destination] { follow(target); });
                auto* chevron = new QLabel(row);
                chevron->setPixmap(symbolPixmap(QStringLiteral("chevron.right"), QSize(10, 10), accentColor(),
                                                devicePixelRatioF()));
                rowLayout->addWidget(link);
                rowLayout->addWidget(chevron);
                rowLayout->addStretch(1);
                fieldLayout->addWidget(row);
            } else {
                auto* text = textLabel(value, TextStyle::body, false, fieldBlock);
                text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
                fieldLayout->addWidget(text);
            }
            blockLayout->addWidget(fieldBlock);
        }
        contentLayout_->addWidget(block);
    }
    contentLayout_->addWidget(textLabel(
        QStringLiteral("Audio information describes the original file. Playback and downloads may use a "
                       "different quality."),
        TextStyle::caption, true, content_));
    contentLayout_->addStretch(1);
}

} // namespace sorvalind
