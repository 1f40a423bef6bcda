#pragma once
// The downloads page's rows, flat: while there are jobs, the "Transfers"
// heading, the "Cancel All Transfers" row and one row per job; then the
// "Available offline" heading and one row per record.
//
// The manager republishes its jobs on every progress tick, so setContents()
// changes as little as it can: the same identifiers in the same order give
// dataChanged for the rows whose values changed; one job leaving together
// with one record arriving (a finished download) removes that job's row (and
// the transfer rows with the last job) and inserts the record's; anything
// else resets the model.
//
// GUI thread only.

#include "downloads/download_job.h"
#include "library/download_record.h"

#include <QAbstractListModel>

#include <vector>

namespace sorvalind {

class DownloadsModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { transfersHeading, cancelAll, job, offlineHeading, record };
    struct Row {
        Kind kind;
        // Index into jobs() or records() for those kinds.
        std::size_t item = 0;
    };

    explicit DownloadsModel(QObject* parent = nullptr);

    void setContents(std::vector<DownloadJob> jobs, std::vector<DownloadRecord> records);

    const std::vector<DownloadJob>& jobs() const noexcept { return jobs_; }
    const std::vector<DownloadRecord>& records() const noexcept { return records_; }
    std::optional<Row> row(int position) const;
    const DownloadJob* job(int position) const;
    const DownloadRecord* record(int position) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int jobRow(std::size_t job) const { return 2 + static_cast<int>(job); }
    int recordRow(std::size_t record) const;
    bool applyFinishedTransfer(std::vector<DownloadJob>& jobs, std::vector<DownloadRecord>& records);

    std::vector<DownloadJob> jobs_;
    std::vector<DownloadRecord> records_;
};

} // namespace sorvalind
