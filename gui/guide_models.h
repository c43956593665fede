#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QStringListModel>

#include "gui/channel_logos.h"
#include "guide/guide_store.h"

class QDateTime;

namespace kalore {
class Guide;
}

namespace kalore {

// Times of the guide as the windows show them: local time, in French.
QString GuideTimeText(UtcSeconds utc);                        // "20:50"
QString GuideIntervalText(UtcSeconds start, UtcSeconds stop); // "20:50 – 22:35"
QString GuideDayText(UtcSeconds utc);                         // "mar. 8 déc."
// The red dot beside a programme that a schedule entry records.
QPixmap ProgrammedMark();
inline constexpr int kProgrammedMarkSize = 10;

// The programmes of the guide window: of one channel and day (time, title,
// sub-title), or the results of a search (day, time, channel, title, sub-title).
class GuideProgrammeModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // channelName gives the channel box's name of a guide channel.
    explicit GuideProgrammeModel(std::function<std::string(const std::string&)> channelName,
                                 QObject* parent = nullptr);

    void ShowDay(std::vector<GuideProgramme> programmes);
    void ShowSearch(std::vector<GuideProgramme> programmes);
    const GuideProgramme* At(int row) const;
    const std::vector<GuideProgramme>& Programmes() const { return programmes_; }
    // Whether a schedule entry records a programme: its title gets the mark.
    std::function<bool(const GuideProgramme&)> programmed;
    // The schedule changed: the marks are drawn afresh.
    void ShowMarks();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    enum class Column { Day, Time, Channel, Title, SubTitle };
    void Show(std::vector<GuideProgramme> programmes, std::vector<Column> columns);

    std::function<std::string(const std::string&)> channelName_;
    std::vector<GuideProgramme> programmes_;
    std::vector<Column> columns_;
};

// The channels of the guide window's list, each name with its logo when it has one.
class GuideChannelListModel final : public QStringListModel {
    Q_OBJECT
public:
    static constexpr QSize kLogoBox{32, 20};

    explicit GuideChannelListModel(const Guide& guide, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

private:
    const Guide& guide_;
    mutable ChannelLogos logos_; // fills as rows are painted
};

} // namespace kalore
