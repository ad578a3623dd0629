#include "common/tagreader/ControlFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <optional>

#include "common/tagreader/DecimalText.h"
#include "common/tagreader/TagReader.h"
#include "platform/sys/ReplaceFile.h"

namespace ovix::tagreader {

namespace {

// A control file is a few hundred bytes; anything beyond this is not rewritten at all.
constexpr std::streamsize kRewriteLimit = 1 << 20;

constexpr mode_t kControlFileMode = 0644;

// Up to `limit` leading bytes of the file; nothing when it cannot be opened or read.
std::optional<std::string> ReadHead(const std::string& path, std::streamsize limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(limit), '\0');
    in.read(bytes.data(), limit);
    if (in.bad()) {
        return std::nullopt;
    }
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

// The document the reader gets: the first bytes of the file, as text (up to a zero byte).
std::string AsDocument(std::string head) {
    const size_t zero = head.find('\0');
    if (zero != std::string::npos) {
        head.resize(zero);
    }
    return head;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Puts `version` into the ovix element of `text`, or adds that element before the root's
// closing tag. A text with neither stays as it is.
void WriteVersionInto(std::string& text, int version) {
    const std::string open = "<ovix>";
    const std::string close = "</ovix>";
    const size_t openAt = text.find(open);
    if (openAt != std::string::npos) {
        const size_t closeAt = text.find(close);
        if (closeAt == std::string::npos) {
            return;
        }
        // The old digits become blanks and the new number goes right before the closing
        // tag, so the element grows by the new number's length on every rewrite.
        for (size_t i = openAt + open.size(); i < closeAt; ++i) {
            text[i] = ' ';
        }
        text.insert(closeAt, std::to_string(version));
        return;
    }
    const size_t rootClose = text.find(std::string("</") + kControlRoot + ">");
    if (rootClose != std::string::npos) {
        text.insert(rootClose, "<ovix> " + std::to_string(version) + " </ovix>\r\n");
    }
}

}  // namespace

bool ReadControlFile(const std::string& path, int& patchVersion, int& launcherVersion) {
    launcherVersion = 0;
    const auto head = ReadHead(path, kControlFileReadLimit);
    if (!head) {
        return false;
    }
    CTagReader reader;
    reader.SetDoc(AsDocument(*head), kControlRoot);
    std::string version;
    if (reader.FindElem("upcontrol/patch") != 0 || reader.GetAttrib("version", version) != 0) {
        return false;
    }
    patchVersion = ParseDecimal(version);
    if (reader.FindElem("upcontrol/ovix") == 0) {
        launcherVersion = ParseDecimal(Trim(reader.GetData()));
    }
    return true;
}

void RecordLauncherVersion(const std::string& path, int version) {
    auto text = ReadHead(path, kRewriteLimit + 1);
    if (!text || static_cast<std::streamsize>(text->size()) > kRewriteLimit) {
        return;
    }
    // Lookups and the edit see only the leading bytes, as every reader of the file does;
    // whatever follows them is written back unchanged instead of being cut off.
    const size_t headSize = std::min(text->size(), kControlFileReadLimit);
    std::string head = text->substr(0, headSize);
    CTagReader reader;
    reader.SetDoc(AsDocument(head), kControlRoot);
    if (reader.FindElem("upcontrol/patch") != 0) {
        return;
    }
    WriteVersionInto(head, version);
    platform::ReplaceFileContents(path, head + text->substr(headSize),
                                  platform::FileModeOr(path, kControlFileMode));
}

}  // namespace ovix::tagreader
