#pragma once

#include <string>

namespace kalore {

// Why the box didn't give a stream, in the user's words, from the error the RTSP
// client met (a libavformat error code).
std::string SourceRefusalReason(int error);

} // namespace kalore
