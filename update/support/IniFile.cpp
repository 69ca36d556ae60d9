#include "update/support/IniFile.h"

#include "update/support/DbcsText.h"

#include <windows.h>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Control bytes fail a line; bytes from 0x80 up begin double-byte
// characters (and a UTF-8 mark) and count as printable. The rule is fixed:
// no locale, the process's or the host's, is read or changed.
bool IsPrintableStart(unsigned char c) { return c >= 0x20 && c != 0x7F; }

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    File file(std::fopen(path.c_str(), "rb"));   // binary: a 0x1A byte ends nothing
    if (!file) return false;
    char chunk[16 * 1024];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes->append(chunk, got);
    return !std::ferror(file.get());
}

// Writes bytes to a temporary file beside `path`, then puts it in place.
bool ReplaceFile(const std::string& path, const std::string& bytes) {
    // A read-only file is not ours to replace (wine's rename would).
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    std::string temp = path + ".new";
    {
        File file(std::fopen(temp.c_str(), "wb"));
        if (!file) return false;
        bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
                  std::fflush(file.get()) == 0;
        if (std::fclose(file.release()) != 0) ok = false;
        if (!ok) {
            DeleteFileA(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExA(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

}   // namespace

std::string TrimChars(const std::string& text, const std::string& set) {
    size_t first = text.find_first_not_of(set);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(set);
    return text.substr(first, last - first + 1);
}

IniFile::IniFile(const std::string& path) { SetPath(path); }

std::string IniFile::FoldCase(const std::string& text) const {
    std::string folded = text;
    if (!caseInsensitive_) return folded;
    for (size_t i = 0; i < folded.size();) {
        size_t n = dbcs::CharLength(folded, i);
        if (n == 1 && folded[i] >= 'A' && folded[i] <= 'Z')
            folded[i] = static_cast<char>(folded[i] + 32);
        i += n;
    }
    return folded;
}

int IniFile::Lookup(const NameIndex& index, const std::string& folded) {
    const auto found = index.find(folded);
    return found == index.end() ? -1 : found->second;
}

int IniFile::FindSection(const std::string& name) const {
    return Lookup(sectionIndex_, FoldCase(name));
}

int IniFile::FindValue(unsigned section, const std::string& key) const {
    if (section >= sections_.size()) return -1;
    return Lookup(sections_[section].keyIndex, FoldCase(key));
}

int IniFile::AddSection(const std::string& name) {
    const int index = static_cast<int>(sections_.size());
    sectionNames_.push_back(name);
    sections_.emplace_back();
    sectionIndex_.emplace(FoldCase(name), index);   // a repeated name keeps the first
    return index;
}

void IniFile::AddHeaderComment(const std::string& text) { headerComments_.push_back(text); }

bool IniFile::AddSectionComment(unsigned section, const std::string& text) {
    if (section >= sections_.size()) return false;
    sections_[section].comments.push_back(text);
    return true;
}

bool IniFile::AddSectionCommentByName(const std::string& section, const std::string& text) {
    int index = FindSection(section);
    return index >= 0 && AddSectionComment(static_cast<unsigned>(index), text);
}

bool IniFile::SetValue(const std::string& section, const std::string& key, const std::string& value,
                       bool create) {
    int s = FindSection(section);
    if (s < 0) {
        if (!create) return false;
        s = AddSection(section);
    }
    Section& record = sections_[s];
    int k = FindValue(static_cast<unsigned>(s), key);
    if (k < 0) {
        if (!create) return false;
        record.keyIndex.emplace(FoldCase(key), static_cast<int>(record.keys.size()));
        record.keys.push_back(key);
        record.values.push_back(value);
    } else {
        record.values[k] = value;
    }
    return true;
}

bool IniFile::SetIntValue(const std::string& section, const std::string& key, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return SetValue(section, key, text, true);
}

void IniFile::ReadLine(const std::string& line, std::string* current) {
    size_t at = line.find_first_of(";#[=");
    if (at == std::string::npos) return;
    switch (line[at]) {
    case ';':
    case '#': {
        std::string comment = line.substr(at + 1);
        if (!sectionNames_.empty())
            AddSectionCommentByName(*current, comment);
        else
            AddHeaderComment(comment);
        break;
    }
    case '=':
        SetValue(*current, TrimChars(line.substr(0, at), " "), TrimChars(line.substr(at + 1), " "),
                 true);
        break;
    case '[': {
        size_t close = line.rfind(']');
        if (close == std::string::npos || close < at) return;
        *current = line.substr(at + 1, close - at - 1);
        AddSection(*current);
        break;
    }
    }
}

bool IniFile::Read() {
    std::string bytes;
    if (!ReadWholeFile(path_, &bytes)) {
        // A file that is there but can't be read must not be replaced by
        // the little this object holds.
        if (GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES) unreadable_ = true;
        return false;
    }
    unreadable_ = false;
    unreadTail_.clear();

    std::string current;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        size_t next = end == std::string::npos ? bytes.size() : end + 1;
        std::string line = bytes.substr(start,
                                        (end == std::string::npos ? bytes.size() : end) - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) {
            unsigned char first = static_cast<unsigned char>(line[0]);
            if (!IsPrintableStart(first)) {
                std::printf("Failing on char %d\n", static_cast<int>(first));
                // Kept as it stands, so that a Write loses none of it.
                unreadTail_ = bytes.substr(start);
                return false;
            }
            ReadLine(line, &current);
        }
        start = next;
    }
    return !sectionNames_.empty();
}

bool IniFile::Write() {
    if (unreadable_) return false;
    std::string out;
    for (const std::string& comment : headerComments_) out += ";" + comment + "\r\n";
    if (!headerComments_.empty()) out += "\r\n";
    for (size_t i = 0; i < sections_.size(); ++i) {
        out += "[" + sectionNames_[i] + "]\r\n";
        for (const std::string& comment : sections_[i].comments) out += ";" + comment + "\r\n";
        for (size_t k = 0; k < sections_[i].keys.size(); ++k)
            out += sections_[i].keys[k] + "=" + sections_[i].values[k] + "\r\n";
        out += "\r\n";
    }
    out += unreadTail_;
    return ReplaceFile(path_, out);
}
