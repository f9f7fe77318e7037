// The well-known folders of this platform. Every one of them can be moved by
// an environment variable, so that tests never touch a user's files:
//   GLIMMERBOX_HOME   application directory (settings file, template folders)
//   XDG_CONFIG_HOME   parent of the key store and the application profile
//   XDG_DATA_HOME     application directory when the executable's is read-only
//   HOME              home folder, default save folder
//   TMPDIR            temporary directory
// Folders returned here end in "/". Nothing is cached: each call reads the
// environment again.
#pragma once
#include <string>

namespace gbpaths {

// $HOME, else the password database's home, else "/".
std::string HomeDirectory();
// $XDG_CONFIG_HOME/Glimmerbox/ (default $HOME/.config).
std::string ConfigDirectory();
// $XDG_DATA_HOME/Glimmerbox/ (default $HOME/.local/share).
std::string DataDirectory();
// Full path of the running executable; empty when it cannot be found.
std::string ExecutablePath();
// $GLIMMERBOX_HOME; else the executable's folder when it is writable and not
// an installed bin/ folder (one beside ../share/glimmerbox); else DataDirectory().
std::string ApplicationDirectory();
// $TMPDIR or /tmp.
std::string TempDirectory();
// $HOME/Pictures/Glimmerbox, without a trailing "/", like the folder it stands for.
std::string DefaultSaveFolder();

// Files under ConfigDirectory().
std::string KeyStoreFile();       // the per-user key store
std::string AppProfileFile();     // the read-only application profile
std::string SystemProfileFile();  // target of profile calls that name no file

// Appends "/" unless the text already ends in one.
std::string WithSlash(std::string folder);

}  // namespace gbpaths
