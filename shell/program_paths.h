#pragma once

#include <filesystem>

namespace va48 {

// Where the settings file and the communication log live. Both are named after the executable
// (see SettingsPathFor and LogPathFor); empty paths when the executable is not known.
struct ProgramFiles {
    std::filesystem::path settings;
    std::filesystem::path log;
};

// What the choice of folder rests on, as found on the running system.
struct ProgramFolderFacts {
    bool settingsBeside = false;  // the settings file exists beside the executable
    bool besideWritable = false;  // a new file can be made beside the executable, and that
                                  // folder is not the one the program was installed to
    bool userFolderReady = false; // the per-user folder exists (it is created when missing)
};

// The choice itself. A program run from its own folder (unpacked, or from the build tree) keeps
// its files beside itself, as it always has. An installed program writes to the per-user folder
// `userFolder`, unless a settings file was put beside it (then it reads that file; its log goes
// to the user's folder when the program's folder takes no new file). Without a usable per-user
// folder everything stays beside the executable.
ProgramFiles ChooseProgramFiles(const std::filesystem::path& executable,
                                const std::filesystem::path& userFolder,
                                const ProgramFolderFacts& facts);

// Looks at the system: whether the settings file exists beside `executable`, whether that folder
// takes a new file (a short-lived probe file is made and removed, which answers for permissions,
// access lists and read-only mounts alike) and is not `installedFolder`, and, only when it does
// not, whether `userFolder` exists or can be created (it is created). An empty `installedFolder`
// matches no folder; an empty `userFolder` is never ready. The installed folder never counts as
// writable, not even for the administrator: the package manager owns it.
ProgramFolderFacts ProbeProgramFolder(const std::filesystem::path& executable,
                                      const std::filesystem::path& installedFolder,
                                      const std::filesystem::path& userFolder);

// The absolute folder `cmake --install` puts the program in, as configured at build time.
std::filesystem::path InstalledProgramFolder();

// ProbeProgramFolder with InstalledProgramFolder, then ChooseProgramFiles. `configHome` is the
// user's configuration folder (on Linux $XDG_CONFIG_HOME, by default ~/.config); the program's
// own folder in it takes the executable's name without extension. An empty `configHome` keeps
// everything beside the executable.
ProgramFiles LocateProgramFiles(const std::filesystem::path& executable,
                                const std::filesystem::path& configHome);

} // namespace va48
