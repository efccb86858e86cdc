#pragma once

// The host's command bars as a text file, so what an add-in put there is found again at the
// next start. One line per bar, below it one line per control, fields as key=value:
//
//     bar name="Tools" local="Extras" type=2 position=5 visible=1 builtin=1
//       control type=1 id=1 caption="&Zelvant Assistent" tag="ZelvantWizard" face=1098 group=1
//
// Texts are quoted; inside the quotes \\, \", \n, \r and \t stand for themselves. Blank lines and
// lines starting with "#" are comments. A field the reader does not know is passed over, a field
// that is missing takes its default.

#include "hosts/commandbars/CommandBarState.h"
#include "hosts/common/FileStore.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {

// A command-bar file holds something that cannot be read; the message names the file and line.
class CommandBarFileError : public FileError {
public:
    CommandBarFileError(const std::filesystem::path& path, int line, const std::string& problem);
    // The line (counted from 1) that could not be read.
    int line() const { return line_; }

private:
    int line_;
};

class CommandBarFile {
public:
    // The file text for `bars`.
    static std::string format(const std::vector<BarState>& bars);
    // The bars of a file's text; throws CommandBarFileError naming `source` and the bad line.
    static std::vector<BarState> parse(const std::string& text, const std::filesystem::path& source);

    // The bars stored at `path`, or nothing when there is no such file. Throws FileError when the
    // file cannot be read and CommandBarFileError when its content cannot.
    static std::optional<std::vector<BarState>> load(const std::filesystem::path& path);
    // Replaces the file at `path` (and creates its folder); throws FileError when that fails.
    static void save(const std::filesystem::path& path, const std::vector<BarState>& bars);

    // The user's file: $ZELVANT_COMMANDBARS_FILE when set, else
    // $XDG_CONFIG_HOME/zelvant/commandbars.txt, else ~/.config/zelvant/commandbars.txt.
    // Throws HostError when neither XDG_CONFIG_HOME nor HOME names a folder.
    static std::filesystem::path userFilePath();
};

} // namespace zelvant
