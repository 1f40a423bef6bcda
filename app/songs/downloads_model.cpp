#include "songs/downloads_model.h"

#include <algorithm>

namespace sorvalind {

namespace {

template <class T> std::vector<std::string> idsOf(const std::vector<T>& items) {
    std::vector<std::string> ids;
    ids.reserve(items.size());
    for (const T& item : items)
        ids.push_back(item.id());
    return ids;
}

// The position at which `shorter` lacks one element of `longer`, when it is
// `longer` with exactly one element left out.
std::optional<std::size_t> oneLeftOut(const std::vector<std::string>& longer,
                                      const std::vector<std::string>& shorter) {
    if (longer.size() != shorter.size() + 1) return std::nullopt;
    std::size_t at = 0;
    while (at < shorter.size() && longer[at] == shorter[at])
        ++at;
    if (!std::equal(shorter.begin() + static_cast<std::ptrdiff_t>(at), shorter.end(),
                    longer.begin() + static_cast<std::ptrdiff_t>(at) + 1))
        return std::nullopt;
    return at;
}

} // namespace

DownloadsModel::DownloadsModel(QObject* parent) : QAbstractListModel(parent) {}

int DownloadsModel::recordRow(std::size_t record) const {
    return (jobs_.empty() ? 1 : 3 + static_cast<int>(jobs_.size())) + static_cast<int>(record);
}

int DownloadsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return recordRow(records_.size());
}

std::optional<DownloadsModel::Row> DownloadsModel::row(int position) const {
    if (position < 0 || position >= rowCount()) return std::nullopt;
    if (!jobs_.empty()) {
        if (position == 0) return Row{Kind::transfersHeading};
        if (position == 1) return Row{Kind::cancelAll};
        if (position < jobRow(jobs_.size())) return Row{Kind::job, static_cast<std::size_t>(position - 2)};
    }
    const int heading = recordRow(0) - 1;
    if (position == heading) return Row{Kind::offlineHeading};
    return Row{Kind::record, static_cast<std::size_t>(position - heading - 1)};
}

const DownloadJob* DownloadsModel::job(int position) const {
    const auto shown = row(position);
    return shown && shown->kind == Kind::job ? &jobs_[shown->item] : nullptr;
}

const DownloadRecord* DownloadsModel::record(int position) const {
    const auto shown = row(position);
    return shown && shown->kind == Kind::record ? &records_[shown->item] : nullptr;
}

QVariant DownloadsModel::data(const QModelIndex& index, int role) const {
    const auto shown = row(index.row());
    if (!shown || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return {};
    switch (shown->kind) {
    case Kind::transfersHeading:
        return QStringLiteral("Transfers");
    case Kind::cancelAll:
        return QStringLiteral("Cancel All Transfers");
    case Kind::offlineHeading:
        return QStringLiteral("Available offline");
    case Kind::job: {
        const DownloadJob& job = jobs_[shown->item];
        return QString::fromStdString(
            job.song.title + ", " +
            (job.error ? *job.error : job.quality.label() + " · " + job.statusDescription()));
    }
    case Kind::record: {
        const DownloadRecord& record = records_[shown->item];
        return QString::fromStdString(record.song.title + ", " + record.song.artistNames() + " · " +
                                      record.quality.label());
    }
    }
    return {};
}

Qt::ItemFlags DownloadsModel::flags(const QModelIndex& index) const {
    const auto shown = row(index.row());
    if (!shown) return Qt::NoItemFlags;
    if (shown->kind == Kind::job || shown->kind == Kind::record)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

bool DownloadsModel::applyFinishedTransfer(std::vector<DownloadJob>& jobs,
                                           std::vector<DownloadRecord>& records) {
    const auto left = oneLeftOut(idsOf(jobs_), idsOf(jobs));
    const auto arrived = oneLeftOut(idsOf(records), idsOf(records_));
    if (!left || !arrived) return false;
    // The rows that stay may have moved on in the same tick.
    std::vector<std::size_t> changedJobs;
    for (std::size_t at = 0; at < jobs.size(); ++at)
        if (!(jobs[at] == jobs_[at < *left ? at : at + 1])) changedJobs.push_back(at);
    for (std::size_t at = 0; at < records_.size(); ++at)
        if (!(records_[at] == records[at < *arrived ? at : at + 1])) return false;
    if (jobs.empty()) {
        beginRemoveRows({}, 0, 2);
    } else {
        beginRemoveRows({}, jobRow(*left), jobRow(*left));
    }
    // The rows that stay keep their former values until the removal is done.
    jobs_.erase(jobs_.begin() + static_cast<std::ptrdiff_t>(*left));
    endRemoveRows();
    const int inserted = recordRow(*arrived);
    beginInsertRows({}, inserted, inserted);
    records_ = std::move(records);
    endInsertRows();
    jobs_ = std::move(jobs);
    for (std::size_t at : changedJobs)
        emit dataChanged(index(jobRow(at)), index(jobRow(at)));
    return true;
}

void DownloadsModel::setContents(std::vector<DownloadJob> jobs, std::vector<DownloadRecord> records) {
    if (idsOf(jobs) == idsOf(jobs_) && idsOf(records) == idsOf(records_)) {
        std::vector<int> changed;
        for (std::size_t at = 0; at < jobs.size(); ++at)
            if (!(jobs[at] == jobs_[at])) changed.push_back(jobRow(at));
        for (std::size_t at = 0; at < records.size(); ++at)
            if (!(records[at] == records_[at])) changed.push_back(recordRow(at));
        jobs_ = std::move(jobs);
        records_ = std::move(records);
        for (int position : changed)
            emit dataChanged(index(position), index(position));
        return;
    }
    if (applyFinishedTransfer(jobs, records)) return;
    beginResetModel();
    jobs_ = std::move(jobs);
    records_ = std::move(records);
    endResetModel();
}

} // namespace sorvalind
