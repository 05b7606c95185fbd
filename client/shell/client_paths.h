#pragma once
// Where the client's files live. A copy run from a folder the user can
// write (a build folder) keeps everything in its program folder: the
// profile "Kelvara.ini", the "uploaded" marker and "3d_data/". An installed
// copy (program folder not writable) keeps the profile in
// $XDG_CONFIG_HOME/kelvara/ (default ~/.config/kelvara/) and its marker and
// 3D exchange files in the runtime directory.
#include <string>

namespace kelvara {

struct ClientPaths {
  std::string program_folder;  // the executable's folder, ending in '/'
  std::string profile_path;    // the INI profile
  std::string data_folder;     // holds "3d_data/" and "uploaded", ending in '/'
};

struct PathInputs {
  std::string executable;       // full path of the running program
  bool folder_writable = true;  // can the user write the program folder?
  std::string config_home;      // $XDG_CONFIG_HOME (may be empty)
  std::string home;             // $HOME
  std::string runtime_dir;      // the runtime directory, without trailing '/'
};

ClientPaths ResolveClientPaths(const PathInputs& in);

// The inputs of the running process (/proc/self/exe, access(), environment).
PathInputs CurrentPathInputs();

// Creates the folders the paths name (profile folder, data folder with
// "3d_data/") and, for an installed copy, copies the delivered "angle.org"
// into the data folder when it is missing there. False when a folder
// cannot be made.
bool PrepareClientFolders(const ClientPaths& paths);

}  // namespace kelvara
