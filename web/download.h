#pragma once

#include <iosfwd>
#include <string>

#include "platform/atomic_file.h"
#include "web/request_options.h"

namespace kalore {

// GET of `url` into `stream`, after letting the window handle its pending messages
// once. A failure is shown as "Unknown error AAA03 : <message>"; the result only tells
// the caller whether the whole answer arrived.
bool DownloadToStream(const WebEnvironment& web, const std::string& url, std::ostream& stream,
                      const RequestOptions& request);

// Creates (or truncates) `fileName` and downloads `url` into it. A failed transfer is
// shown to the user and not passed on; a file that can't be created is the error.
FileResult DownloadToFile(const WebEnvironment& web, const std::string& url,
                          const std::string& fileName, const RequestOptions& request);

// Like DownloadToFile, but through a temporary file beside `fileName` that replaces it
// only once the whole answer arrived, so a failed transfer keeps the last good file.
// With no file yet, a failure leaves an empty one, as the reader expects a file.
FileResult DownloadReplacingFile(const WebEnvironment& web, const std::string& url,
                                 const std::string& fileName, const RequestOptions& request);

} // namespace kalore
