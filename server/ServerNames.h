#pragma once
#include <cstddef>

// Names shared by Brenlow, the launcher library and the dedicated server.

// The platform launcher library, loaded from the program's folder, and its factory export.
inline constexpr wchar_t kLauncherLibraryName[] = L"tarn_launcher.dll";
inline constexpr char kLauncherFactoryName[] = "GetTarnLauncherHelper";

// The game's dedicated server executable, started from the program's folder.
inline constexpr wchar_t kServerExecutableName[] = L"moorwake_dedicated_server_nullrenderer.exe";
// The most servers that run at once.
inline constexpr size_t kMostRunningServers = 10;
// Arguments of a server: this text, then the cluster name.
inline constexpr wchar_t kServerCommandPrefix[] = L"-console -shard Master -cluster ";

// Cluster folders live under <Documents> + this; a cluster folder holds the marker file.
inline constexpr wchar_t kServerConfigRootSuffix[] = L"\\Vornak\\MoorwakeTarn";
inline constexpr wchar_t kClusterMarkerName[] = L"cluster_token.txt";
