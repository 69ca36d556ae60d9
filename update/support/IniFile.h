#pragma once
// An INI file held in memory: sections in file order with their keys,
// values and comment lines, plus the comment lines before the first
// section. Section and key names compare without regard to ASCII case and
// keep the case they were first stored with. Lookups go through an index by
// folded name beside the ordered store, so reading a file costs time in
// proportion to its lines.
//
// Nothing of a file is lost by a Read and Write round trip that Read could
// not finish: the line it stopped at and everything after it are kept as
// they were and written back after the rest. Write replaces the file only
// once the new one is complete, and never replaces a file that exists but
// that Read could not read (locked, or a read error): the object holds none
// of it.
#include <map>
#include <string>
#include <vector>

class IniFile {
public:
    explicit IniFile(const std::string& path);
    virtual ~IniFile() = default;

    void SetPath(const std::string& path) {
        path_ = path;
        unreadable_ = false;
    }
    bool Read();
    bool Write();

    int FindSection(const std::string& name) const;
    int FindValue(unsigned section, const std::string& key) const;
    int AddSection(const std::string& name);
    void AddHeaderComment(const std::string& text);
    bool AddSectionComment(unsigned section, const std::string& text);
    bool AddSectionCommentByName(const std::string& section, const std::string& text);
    bool SetValue(const std::string& section, const std::string& key, const std::string& value,
                  bool create);
    bool SetIntValue(const std::string& section, const std::string& key, int value);
    // ASCII letters folded to lower case; double-byte characters untouched.
    std::string FoldCase(const std::string& text) const;

private:
    // Folded name -> the first index stored under it (ordered: no input can
    // make its lookups degrade, as colliding hashes could).
    using NameIndex = std::map<std::string, int>;

    struct Section {
        std::vector<std::string> keys;
        std::vector<std::string> values;
        std::vector<std::string> comments;
        NameIndex keyIndex;
    };

    static int Lookup(const NameIndex& index, const std::string& folded);

    void ReadLine(const std::string& line, std::string* current);

    bool caseInsensitive_ = true;
    std::string path_;
    std::vector<Section> sections_;
    std::vector<std::string> sectionNames_;
    NameIndex sectionIndex_;
    std::vector<std::string> headerComments_;
    std::string unreadTail_;    // the bytes from the line Read stopped at to the end
    bool unreadable_ = false;   // Read found the file but could not read it
};

// A copy without the leading and trailing bytes that occur in `set`.
std::string TrimChars(const std::string& text, const std::string& set);
