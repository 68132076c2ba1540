#include "shell/program_paths.h"

#include "shell/settings_file.h"

#include <fstream>
#include <system_error>

namespace va48 {

namespace fs = std::filesystem;

namespace {

// The folder's full name without links, "..", or a closing separator; empty when it has none.
fs::path FolderName(const fs::path& folder) {
    std::error_code ec;
    fs::path name = folder.empty() ? fs::path() : fs::weakly_canonical(folder, ec);
    if (ec) {
        return {};
    }
    return name.has_filename() ? name : name.parent_path();
}

bool SameFolder(const fs::path& a, const fs::path& b) {
    const fs::path nameA = FolderName(a);
    return !nameA.empty() && nameA == FolderName(b);
}

// Asking for permission bits would miss access lists, read-only mounts and the administrator's
// rights; making a file answers all of them.
bool TakesNewFile(const fs::path& folder, const fs::path& probeName) {
    const fs::path probe = folder / probeName;
    bool made = false;
    {
        std::ofstream file(probe, std::ios::out | std::ios::app);
        made = file.is_open();
    }
    if (made) {
        std::error_code ec;
        fs::remove(probe, ec);
    }
    return made;
}

} // namespace

ProgramFiles ChooseProgramFiles(const fs::path& executable, const fs::path& userFolder,
                                const ProgramFolderFacts& facts) {
    ProgramFiles files{SettingsPathFor(executable), LogPathFor(executable)};
    if (files.settings.empty() || userFolder.empty() || !facts.userFolderReady ||
        facts.besideWritable) {
        return files;
    }
    if (!facts.settingsBeside) {
        files.settings = userFolder / files.settings.filename();
    }
    files.log = userFolder / files.log.filename();
    return files;
}

ProgramFolderFacts ProbeProgramFolder(const fs::path& executable, const fs::path& installedFolder,
                                      const fs::path& userFolder) {
    ProgramFolderFacts facts;
    const fs::path settings = SettingsPathFor(executable);
    if (settings.empty()) {
        return facts;
    }
    const fs::path folder = executable.parent_path();
    std::error_code ec;
    facts.settingsBeside = fs::is_regular_file(settings, ec);
    facts.besideWritable = !SameFolder(folder, installedFolder) &&
                           TakesNewFile(folder, settings.filename().string() + ".write-test");
    // The user's folder is made only when it will be used, so a program run from its own folder
    // leaves nothing behind in the user's configuration.
    if (!facts.besideWritable && !userFolder.empty()) {
        fs::create_directories(userFolder, ec);
        facts.userFolderReady = fs::is_directory(userFolder, ec);
    }
    return facts;
}

fs::path InstalledProgramFolder() {
    return fs::path(VA48_INSTALL_BINDIR);
}

ProgramFiles LocateProgramFiles(const fs::path& executable, const fs::path& configHome) {
    const fs::path userFolder = configHome.empty() || executable.stem().empty()
                                    ? fs::path()
                                    : configHome / executable.stem();
    return ChooseProgramFiles(executable, userFolder,
                              ProbeProgramFolder(executable, InstalledProgramFolder(), userFolder));
}

} // namespace va48
