#pragma once

#include <string>
#include <string_view>

#include <expat.h>

namespace kalore {

// An xmltv_ns episode number ("1.4/10.": zero-based season.episode.part) as the
// French screen shows it: "Saison 2, épisode 5"; empty when it holds neither.
std::string EpisodeFromXmltvNs(std::string_view ns);

// Why a programme's start and stop (null when absent; `read` when they are XMLTV
// times) were refused, as the guide's log line names it: the time refused is
// quoted, cut short and kept on one line.
std::string RefusedTimes(const char* start, bool startRead, const char* stop, bool stopRead);

// Expat's handler for the encodings it doesn't know itself: the single-byte ones
// of French guides, Windows-1252 and ISO-8859-15. Any other is refused.
int XmltvUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info);

} // namespace kalore
