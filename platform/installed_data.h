#pragma once
// The data files an installed program brings (ainputs.txt, error.wav) live in the install
// prefix's share folder; a copy in the working directory comes first, so a user can edit it.
#include <string>
#include <string_view>

namespace vexa {

// "<prefix>/share/vexaterm", as the build was configured.
std::string installed_data_dir();

// directory/name when that file exists, else the installed copy when that exists, else
// directory/name (so that a message names the place the user would look first).
std::string data_file_path(const std::string& directory, std::string_view name);

}  // namespace vexa
