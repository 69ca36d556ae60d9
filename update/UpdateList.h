#pragma once
// The update list a server offers: an XML document whose root (any name,
// attribute Name: the text shown while files are fetched) holds one top
// "Directory"; directories hold "Directory" and "File" elements. Every
// "File" becomes an UpdateEntry with the folder path of its directory.
//
// Lists come from the network: every name is checked before it can become
// a path, missing attributes read as "" or 0, nesting and size are bounded.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TiXmlElement;

struct UpdateEntry {
    std::string folder;   // folder path of the file's directory, '\'-separated
    std::string md5;      // lower-case hex; compared byte for byte
    std::string name;
    int32_t size = 0;      // unpacked bytes
    int32_t zipSize = 0;   // bytes of the file's archive
    int32_t selected = 1;
};

class UpdateListReader {
public:
    enum Result {
        kRead,
        kCannotLoad,          // missing, too large or not XML
        kNoTopDirectory,      // no root element, or no "Directory" in it
        kEmptyTopDirectory,   // the top "Directory" has no child node
        kUnsafeName,          // a name that is not a safe relative path, or a
                              // path longer than any full path can be
        kTooDeep,             // directories nested deeper than kMaxDepth, or
                              // elements deeper than kMaxDocumentDepth, or
                              // markup whose nesting can't be measured
        kTooManyAttributes,   // an element with more than kMaxAttributes
    };
    static const int kMaxDepth = 64;
    // Element nesting of the whole document, measured before it is parsed.
    static const int kMaxDocumentDepth = 256;
    // Attributes of one element, counted before parsing: the XML library
    // compares each new one with every one before it.
    static const int kMaxAttributes = 32;
    static const long kMaxFileSize = 16 * 1024 * 1024;

    // `lobby`: a directory whose path comes out exactly "Lobby" is the
    // lobby's own folder and gets the empty path. `keepRunning`, when given,
    // is asked once per element; when it answers false the walk stops early
    // and Read still answers kRead.
    explicit UpdateListReader(bool lobby, std::function<bool()> keepRunning = nullptr);

    Result Read(const std::string& path);

    const std::vector<UpdateEntry>& Entries() const { return entries_; }
    const std::string& DisplayName() const { return displayName_; }
    // Sum of every File's ZipSize (negative sizes count as 0).
    int64_t ListSize() const { return listSize_; }

private:
    // 1 read, 0 for a "Directory" without any child node. Failures that end
    // the whole walk (unsafe names, depth) are kept in failure_.
    int ReadListDirectory(const TiXmlElement* element, const std::string& path, int depth);
    bool Running() const { return !keepRunning_ || keepRunning_(); }

    bool lobby_;
    std::function<bool()> keepRunning_;
    std::vector<UpdateEntry> entries_;
    std::string displayName_;
    int64_t listSize_ = 0;
    Result failure_ = kRead;
};
