// Started by the update tests in place of a new build: writes its working
// directory and its arguments, one a line, to the file that
// TESK_UPDATE_HELPER_OUT names, and nothing else.
#include "VersionRecord.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    const char* out = std::getenv("TESK_UPDATE_HELPER_OUT");
    if (!out || !*out)
        return 2;
    // Written under another name first, so a test never reads half of it.
    const std::string temporary = std::string(out) + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << "cwd=" << std::filesystem::current_path().string() << '\n';
        for (int i = 1; i < argc; ++i)
            file << "arg=" << argv[i] << '\n';
        file << "version-record-bytes=" << sizeof(tesk::versionrecord::kRecord) << '\n';
    }
    std::error_code error;
    std::filesystem::rename(temporary, out, error);
    return error ? 1 : 0;
}
