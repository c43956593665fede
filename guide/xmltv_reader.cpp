#include "guide/xmltv_reader.h"

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>

#include <expat.h>
#include <zlib.h>

#include "guide/xmltv_conversions.h"
#include "platform/own_files.h"

namespace kalore {
namespace {

// Expat's buffer size for one piece of the file: large enough to keep calls few,
// small enough to keep memory flat whatever the guide's size.
constexpr std::size_t kPieceBytes = 256 * 1024;

// Names kept of one channel; guides give one to three.
constexpr std::size_t kMaxDisplayNames = 16;
// A logo's address longer than this is no address a server gives.
constexpr std::size_t kMaxIconSrc = 2048;

// What the parser may hold at once. A guide needs a few hundred kilobytes; names,
// attributes or one token beyond this are no guide but a way to fill memory.
constexpr std::size_t kParserMemoryCap = 16 * 1024 * 1024;
constexpr const char* kMemoryRefusal =
    "le guide demande plus de 16 Mo pour être lu (noms, attributs ou balises démesurés), "
    "refusé par sécurité";

// The parser's memory, counted by a header before each block. The count is the
// process's (expat's allocator takes no context): one guide is read at a time.
std::atomic<std::size_t> parserBytes{0};
struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

bool Reserve(std::size_t more) {
    if (parserBytes.fetch_add(more) + more > kParserMemoryCap) {
        parserBytes.fetch_sub(more);
        return false;
    }
    return true;
}

void* CappedMalloc(std::size_t size) {
    if (!Reserve(size)) {
        return nullptr;
    }
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (block == nullptr) {
        parserBytes.fetch_sub(size);
        return nullptr;
    }
    block->size = size;
    return block + 1;
}

void CappedFree(void* data) {
    if (data != nullptr) {
        BlockHeader* block = static_cast<BlockHeader*>(data) - 1;
        parserBytes.fetch_sub(block->size);
        std::free(block);
    }
}

void* CappedRealloc(void* data, std::size_t size) {
    if (data == nullptr) {
        return CappedMalloc(size);
    }
    BlockHeader* block = static_cast<BlockHeader*>(data) - 1;
    const std::size_t old = block->size;
    if (size > old && !Reserve(size - old)) {
        return nullptr;
    }
    auto* grown = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + size));
    if (grown == nullptr) {
        parserBytes.fetch_sub(size > old ? size - old : 0);
        return nullptr;
    }
    if (size < old) {
        parserBytes.fetch_sub(old - size);
    }
    grown->size = size;
    return grown + 1;
}

const XML_Memory_Handling_Suite kCappedMemory{CappedMalloc, CappedRealloc, CappedFree};

enum class Field { None, DisplayName, Title, SubTitle, Description, Category, Episode };

bool Is(const XML_Char* name, const char* wanted) {
    return std::strcmp(name, wanted) == 0;
}

const XML_Char* Attribute(const XML_Char** attributes, const char* wanted) {
    for (; attributes[0] != nullptr; attributes += 2) {
        if (Is(attributes[0], wanted)) {
            return attributes[1];
        }
    }
    return nullptr;
}

void AppendCapped(std::string& text, const XML_Char* data, int length) {
    const std::size_t room = kXmltvTextCap - std::min(text.size(), kXmltvTextCap);
    text.append(data, std::min(static_cast<std::size_t>(length), room));
}

} // namespace

struct XmltvParser::Impl {
    explicit Impl(XmltvSink& s)
        : sink(s), parser(XML_ParserCreate_MM(nullptr, &kCappedMemory, nullptr)) {
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, Start, End);
        XML_SetCharacterDataHandler(parser, Text);
        XML_SetEntityDeclHandler(parser, EntityDeclared);
        XML_SetUnknownEncodingHandler(parser, XmltvUnknownEncoding, nullptr);
        XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    }
    ~Impl() { XML_ParserFree(parser); }

    static void Start(void* data, const XML_Char* name, const XML_Char** attributes) {
        static_cast<Impl*>(data)->Guarded([&](Impl& self) { self.OnStart(name, attributes); });
    }
    static void End(void* data, const XML_Char* name) {
        static_cast<Impl*>(data)->Guarded([&](Impl& self) { self.OnEnd(name); });
    }
    static void Text(void* data, const XML_Char* text, int length) {
        auto& self = *static_cast<Impl*>(data);
        if (self.capture != nullptr) {
            AppendCapped(*self.capture, text, length);
        }
    }
    // A skipped programme only counts its depth, at the least cost per element.
    static void SkipStart(void* data, const XML_Char*, const XML_Char**) {
        auto& self = *static_cast<Impl*>(data);
        ++self.skipDepth;
        self.RefuseIfTooDeep();
    }
    static void SkipEnd(void* data, const XML_Char*) {
        auto& self = *static_cast<Impl*>(data);
        if (--self.skipDepth == 0) {
            XML_SetElementHandler(self.parser, Start, End);
            XML_SetCharacterDataHandler(self.parser, Text);
        }
    }
    static void EntityDeclared(void* data, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
        auto& self = *static_cast<Impl*>(data);
        self.Stop("le guide déclare des entités, refusées par sécurité");
    }

    // Exceptions must not cross expat's C frames.
    template <typename F> void Guarded(F&& handle) {
        try {
            handle(*this);
        } catch (const std::exception& e) {
            Stop(e.what());
        } catch (...) {
            Stop("erreur inconnue");
        }
    }

    void Stop(std::string why) {
        if (ownError.empty()) {
            ownError = std::move(why);
            errorLine = XML_GetCurrentLineNumber(parser);
        }
        XML_StopParser(parser, XML_FALSE);
    }

    // Each open level costs the parser memory: a guide nested millions deep
    // would take gigabytes.
    void RefuseIfTooDeep() {
        if (depth + skipDepth > kXmltvMaxDepth) {
            Stop("le guide est imbriqué sur plus de " + std::to_string(kXmltvMaxDepth) +
                 " niveaux, refusé par sécurité");
        }
    }

    void OnStart(const XML_Char* name, const XML_Char** attributes) {
        ++depth;
        RefuseIfTooDeep();
        if (depth == 1) {
            if (!Is(name, "tv")) {
                Stop("ce n'est pas un guide XMLTV");
            }
            return;
        }
        if (depth == 2) {
            StartTopLevel(name, attributes);
            return;
        }
        if (depth != 3 || (!inChannel && !inProgramme)) {
            return;
        }
        field = Field::None;
        if (inChannel && Is(name, "display-name") &&
            channel.displayNames.size() < kMaxDisplayNames) {
            channel.displayNames.emplace_back();
            Capture(Field::DisplayName, channel.displayNames.back());
        } else if (inChannel && Is(name, "icon") && channel.iconSrc.empty()) {
            const XML_Char* src = Attribute(attributes, "src");
            if (src != nullptr && std::strlen(src) <= kMaxIconSrc) {
                channel.iconSrc = src;
            }
        } else if (inProgramme) {
            StartProgrammeField(name, attributes);
        }
    }

    void StartTopLevel(const XML_Char* name, const XML_Char** attributes) {
        if (Is(name, "channel")) {
            const XML_Char* id = Attribute(attributes, "id");
            inChannel = true;
            channel = {id != nullptr ? id : "", {}, {}};
        } else if (Is(name, "programme")) {
            StartProgramme(attributes);
        }
    }

    void StartProgramme(const XML_Char** attributes) {
        const XML_Char* channelId = Attribute(attributes, "channel");
        if (channelId == nullptr || !sink.WantsProgramme(channelId)) {
            Skip();
            return;
        }
        const XML_Char* start = Attribute(attributes, "start");
        const XML_Char* stop = Attribute(attributes, "stop");
        const auto startUtc = start != nullptr ? ParseXmltvTime(start) : std::nullopt;
        const auto stopUtc = stop != nullptr ? ParseXmltvTime(stop) : std::nullopt;
        if (!startUtc || (stop != nullptr && !stopUtc) || (stopUtc && *stopUtc < *startUtc)) {
            if (badTimes++ == 0) {
                firstBadTime = RefusedTimes(start, startUtc.has_value(), stop, stopUtc.has_value());
            }
            Skip();
            return;
        }
        programme = XmltvProgramme{};
        programme.channel = channelId;
        programme.start = *startUtc;
        programme.stop = stopUtc;
        inProgramme = true;
    }

    void StartProgrammeField(const XML_Char* name, const XML_Char** attributes) {
        if (Is(name, "title") && programme.title.empty()) {
            Capture(Field::Title, programme.title);
        } else if (Is(name, "sub-title") && programme.subTitle.empty()) {
            Capture(Field::SubTitle, programme.subTitle);
        } else if (Is(name, "desc") && programme.description.empty()) {
            Capture(Field::Description, programme.description);
        } else if (Is(name, "category")) {
            Capture(Field::Category, scratch);
        } else if (Is(name, "episode-num")) {
            const XML_Char* system = Attribute(attributes, "system");
            episodeSystem = system != nullptr ? system : "";
            Capture(Field::Episode, scratch);
        }
    }

    void Capture(Field f, std::string& into) {
        field = f;
        capture = &into;
        capture->clear();
    }

    void Skip() {
        skipDepth = 1;
        --depth; // the skipped element's own end is counted by SkipEnd
        XML_SetElementHandler(parser, SkipStart, SkipEnd);
        XML_SetCharacterDataHandler(parser, nullptr);
    }

    void OnEnd(const XML_Char*) {
        if (depth == 3 && field != Field::None) {
            EndField();
        } else if (depth == 2 && inChannel) {
            inChannel = false;
            sink.OnChannel(std::move(channel));
        } else if (depth == 2 && inProgramme) {
            inProgramme = false;
            sink.OnProgramme(programme);
        }
        --depth;
    }

    void EndField() {
        if (field == Field::Category && !scratch.empty() &&
            programme.category.size() < kXmltvTextCap) {
            programme.category += (programme.category.empty() ? "" : ", ") + scratch;
        } else if (field == Field::Episode) {
            // What the screen shows wins over what a programme needs converting.
            if (episodeSystem == "onscreen" && !scratch.empty()) {
                programme.episode = scratch;
            } else if (episodeSystem == "xmltv_ns" && programme.episode.empty()) {
                programme.episode = EpisodeFromXmltvNs(scratch);
            }
        }
        field = Field::None;
        capture = nullptr;
    }

    std::string ErrorText() const {
        if (!ownError.empty()) {
            return ownError + " (ligne " + std::to_string(errorLine) + ")";
        }
        const XML_Error code = XML_GetErrorCode(parser);
        std::string what;
        switch (code) {
        case XML_ERROR_NO_ELEMENTS:
        case XML_ERROR_UNCLOSED_TOKEN:
        case XML_ERROR_PARTIAL_CHAR:
        case XML_ERROR_UNCLOSED_CDATA_SECTION:
            what = "guide incomplet, coupé avant sa fin";
            break;
        case XML_ERROR_UNKNOWN_ENCODING:
        case XML_ERROR_INCORRECT_ENCODING:
            what = "encodage du guide non pris en charge";
            break;
        case XML_ERROR_INVALID_TOKEN:
            what = "texte mal formé ou d'un autre encodage que celui déclaré";
            break;
        case XML_ERROR_AMPLIFICATION_LIMIT_BREACH:
            what = "expansion d'entités refusée";
            break;
        case XML_ERROR_NO_MEMORY:
            what = kMemoryRefusal;
            break;
        default:
            what = std::string("guide mal formé : ") + XML_ErrorString(code);
        }
        return what + " (ligne " + std::to_string(XML_GetCurrentLineNumber(parser)) + ")";
    }

    XmltvSink& sink;
    XML_Parser parser;
    int depth = 0;
    int skipDepth = 0;
    bool inChannel = false;
    bool inProgramme = false;
    Field field = Field::None;
    std::string* capture = nullptr;
    GuideChannel channel;
    XmltvProgramme programme;
    std::string scratch;
    std::string episodeSystem;
    std::uint64_t badTimes = 0;
    std::string firstBadTime;
    std::string ownError;
    unsigned long errorLine = 0;
    bool failed = false;
};

XmltvParser::XmltvParser(XmltvSink& sink) : impl_(std::make_unique<Impl>(sink)) {
    if (impl_->parser == nullptr) {
        throw std::bad_alloc();
    }
}

XmltvParser::~XmltvParser() = default;

bool XmltvParser::Feed(const char* data, std::size_t size, bool last) {
    while (!impl_->failed && size > INT_MAX / 2) {
        impl_->failed = XML_Parse(impl_->parser, data, INT_MAX / 2, XML_FALSE) != XML_STATUS_OK;
        data += INT_MAX / 2;
        size -= INT_MAX / 2;
    }
    if (!impl_->failed) {
        impl_->failed = XML_Parse(impl_->parser, data, static_cast<int>(size),
                                  last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK;
    }
    return !impl_->failed;
}

char* XmltvParser::BufferFor(std::size_t size) {
    // A token that outgrows the cap can't be buffered: the guide is refused.
    void* buffer = impl_->failed ? nullptr : XML_GetBuffer(impl_->parser, static_cast<int>(size));
    impl_->failed = buffer == nullptr;
    return static_cast<char*>(buffer);
}

bool XmltvParser::ParseBuffer(std::size_t filled, bool last) {
    if (!impl_->failed) {
        impl_->failed = XML_ParseBuffer(impl_->parser, static_cast<int>(filled),
                                        last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK;
    }
    return !impl_->failed;
}

std::string XmltvParser::Error() const {
    return impl_->failed ? impl_->ErrorText() : std::string();
}

std::uint64_t XmltvParser::BadTimes() const {
    return impl_->badTimes;
}

const std::string& XmltvParser::FirstBadTime() const {
    return impl_->firstBadTime;
}

XmltvReadResult ReadXmltvFile(const std::string& path, XmltvSink& sink,
                              const std::atomic<bool>& stop) {
    std::string why;
    const int fd = OpenFileToRead(path, why);
    gzFile file = fd < 0 ? nullptr : gzdopen(fd, "rb");
    if (file == nullptr) {
        if (fd >= 0) {
            CloseFile(fd);
            why = "mémoire insuffisante";
        }
        return {"impossible d'ouvrir " + path + " : " + why};
    }
    gzbuffer(file, kPieceBytes);
    XmltvParser parser(sink);
    XmltvReadResult result;
    for (;;) {
        if (stop) {
            result.error = "lecture interrompue";
            break;
        }
        char* buffer = parser.BufferFor(kPieceBytes);
        if (buffer == nullptr) {
            result.error = parser.Error();
            break;
        }
        const int read = gzread(file, buffer, static_cast<unsigned>(kPieceBytes));
        if (read < 0) {
            int code = 0;
            result.error = std::string("lecture du guide impossible : ") + gzerror(file, &code);
            break;
        }
        if (!parser.ParseBuffer(static_cast<std::size_t>(read), read == 0)) {
            result.error = parser.Error();
            break;
        }
        if (read == 0) {
            break;
        }
    }
    gzclose(file);
    result.badTimes = parser.BadTimes();
    result.firstBadTime = parser.FirstBadTime();
    return result;
}

} // namespace kalore
