#pragma once
// Scratch folders for the tests: made under the temporary directory, removed
// again with everything in them.
#include <windows.h>

#include <string>

class ScratchFolder {
public:
    explicit ScratchFolder(const char* name = "folders-test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::wstring wide_path() const;
    std::string record_path() const { return path_ + "\\Desktop.ini"; }
    // Writes the whole Desktop.ini with the given text.
    void write_record(const std::string& text) const;
    // A subfolder (created) and its path.
    std::string make_subfolder(const std::string& name) const;
    void write_file(const std::string& name, const std::string& text) const;
    // How many files in the folder match the pattern ("~*").
    int files_named(const char* pattern) const;

private:
    std::string path_;
};

std::wstring widen(const std::string& text);
// The text in the system code page, for names it spells.
std::string narrow(const std::wstring& text);

// A record that names the class, with the given lines of the icon section.
std::string customized_record(const std::string& icon_lines);
