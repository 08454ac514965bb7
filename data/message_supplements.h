#pragma once
// Texts of this program's own that the maker's catalog does not have (job gate, hints, the
// later subsystems' extra reports), in the catalog's entry form "<key><letter>_<text>". Each
// subsystem keeps its own table in a file of its own; kMessageSupplements lists them all.
namespace vexa {

extern const char* const kSessionMessages[];
extern const char* const kBuildFactoryMessages[];
extern const char* const kFailureMessages[];
extern const char* const kUploadMessages[];
extern const char* const kDownloadMessages[];
extern const char* const kTerminalMessages[];
extern const char* const kDesktopMessages[];

// The tables, ending with a null entry. Each table ends with an empty entry.
extern const char* const* const kMessageSupplements[];

}  // namespace vexa
