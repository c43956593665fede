#include "guide/guide_import.h"

#include <stdexcept>
#include <unordered_map>

#include "guide/guide_store.h"
#include "guide/sqlite_database.h"
#include "guide/xmltv_reader.h"

namespace kalore {
namespace {

// How often the count of programmes read is passed on.
constexpr std::uint64_t kProgressEvery = 5000;
// The channels held until the programmes begin: real guides declare a few thousand
// at most, a few hundred kilobytes, and a hostile one must not grow memory without end.
constexpr std::size_t kMaxPendingChannels = 100000;
constexpr std::size_t kMaxPendingBytes = 8 * 1024 * 1024;

std::size_t BytesOf(const GuideChannel& channel) {
    std::size_t bytes = sizeof channel + channel.id.size() + channel.iconSrc.size();
    for (const std::string& name : channel.displayNames) {
        bytes += sizeof name + name.size();
    }
    return bytes;
}

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};
using IdMap = std::unordered_map<std::string, std::string, StringHash, std::equal_to<>>;

// Matches the channels as the guide declares them, then writes the programmes of
// the wanted ones. Channels come first in a guide; any declared later is matched
// on its own against the channel box's channels still without a guide.
class ImportSink final : public XmltvSink {
public:
    ImportSink(const ChannelMatcher& matcher, GuideWriter& writer,
               const std::function<void(std::uint64_t)>& onRead)
        : matcher_(matcher), writer_(writer), onRead_(onRead),
          claimed_(matcher.Kalore().size(), false) {}

    void OnChannel(GuideChannel channel) override {
        if (!matched_) {
            if (pending_.size() == kMaxPendingChannels) {
                throw std::runtime_error("le guide déclare plus de 100 000 chaînes");
            }
            pendingBytes_ += BytesOf(channel);
            if (pendingBytes_ > kMaxPendingBytes) {
                throw std::runtime_error(
                    "les chaînes du guide occupent plus de 8 Mo, refusé par sécurité");
            }
            pending_.push_back(std::move(channel));
            return;
        }
        pending_.assign(1, std::move(channel));
        MatchPending();
    }

    bool WantsProgramme(std::string_view channelId) override {
        if (!matched_) {
            MatchPending();
        }
        if (++read_ % kProgressEvery == 0 && onRead_) {
            onRead_(read_);
        }
        return wanted_.find(channelId) != wanted_.end();
    }

    void OnProgramme(XmltvProgramme& programme) override {
        // The programme held without a stop ends where this one begins.
        if (const auto held = open_.find(programme.channel); held != open_.end()) {
            if (programme.start > held->second.start) {
                Write(held->second, programme.start);
            }
            open_.erase(held);
        }
        if (programme.stop) {
            Write(programme, *programme.stop);
        } else {
            open_.insert_or_assign(programme.channel, std::move(programme));
        }
    }

    void Finish(GuideImportResult& result) {
        if (!matched_) {
            MatchPending();
        }
        result.programmesRead = read_;
        result.programmesKept = kept_;
        for (std::size_t i = 0; i < claimed_.size(); ++i) {
            if (claimed_[i]) {
                ++result.channelsWithGuide;
            } else {
                result.channelsWithout.push_back(matcher_.Kalore()[i].name);
            }
        }
    }

private:
    void MatchPending() {
        matched_ = true;
        const auto matches = matcher_.Match(pending_);
        for (std::size_t i = 0; i < matches.size(); ++i) {
            if (matches[i] && !claimed_[i]) {
                claimed_[i] = true;
                wanted_.emplace(*matches[i], matcher_.Kalore()[i].name);
            }
        }
        for (const GuideChannel& channel : pending_) {
            const auto wanted = wanted_.find(channel.id);
            writer_.AddChannel(channel, wanted != wanted_.end() ? wanted->second : std::string());
        }
        pending_.clear();
        pendingBytes_ = 0;
    }

    void Write(const XmltvProgramme& programme, UtcSeconds stop) {
        writer_.AddProgramme(programme, stop);
        ++kept_;
    }

    const ChannelMatcher& matcher_;
    GuideWriter& writer_;
    const std::function<void(std::uint64_t)>& onRead_;
    std::vector<GuideChannel> pending_;
    std::size_t pendingBytes_ = 0;
    bool matched_ = false;
    std::vector<bool> claimed_;
    IdMap wanted_; // guide id -> the channel box's name
    std::unordered_map<std::string, XmltvProgramme> open_;
    std::uint64_t read_ = 0;
    std::uint64_t kept_ = 0;
};

} // namespace

GuideImportResult ImportGuide(const std::string& xmltvPath, const ChannelMatcher& matcher,
                              const std::string& source, UtcSeconds now,
                              const std::string& storePath,
                              const std::function<void(std::uint64_t)>& onRead,
                              const std::atomic<bool>& stop) {
    GuideImportResult result;
    try {
        GuideWriter writer(storePath);
        ImportSink sink(matcher, writer, onRead);
        const XmltvReadResult read = ReadXmltvFile(xmltvPath, sink, stop);
        result.badTimes = read.badTimes;
        result.firstBadTime = read.firstBadTime;
        sink.Finish(result);
        if (!read.ok()) {
            result.error = read.error;
        } else if (result.programmesKept == 0) {
            result.error = "aucun programme pour les chaînes de Kalore";
        } else {
            writer.Finish({source, now, static_cast<std::int64_t>(result.programmesKept)});
        }
    } catch (const SqliteError& e) {
        result.error = std::string("écriture du guide impossible : ") + e.what();
    }
    return result;
}

} // namespace kalore
