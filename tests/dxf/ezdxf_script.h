#pragma once
// Test drawings written by ezdxf at test time, and ezdxf as a reference for
// geometry. Tests skip with a reason when it is not installed.
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/scratch_dir.h"

namespace testing_support {

inline bool HaveEzdxf() {
    static const bool have = std::system("/usr/bin/python3 -c 'import ezdxf' 2>/dev/null") == 0;
    return have;
}

// Runs a Python script in `dir` (its working directory) and returns what it
// printed; "" with a failed assertion text in `error` when it failed.
inline std::string RunPython(const ScratchDir& dir, const std::string& script,
                             std::string* error = nullptr) {
    const std::string path = dir.File("make.py");
    std::ofstream(path) << "import ezdxf, sys, os\nos.chdir(" << '"' << dir.Path().string() << '"'
                        << ")\n"
                        << script;
    const std::string out = dir.File("make.out");
    const std::string command = "/usr/bin/python3 " + path + " > " + out + " 2>&1";
    const int status = std::system(command.c_str());
    std::string printed = ReadFile(out);
    if (status != 0) {
        if (error) *error = printed;
        return "";
    }
    return printed;
}

}  // namespace testing_support

#define SKIP_WITHOUT_EZDXF()                                                                 \
    do {                                                                                     \
        if (!testing_support::HaveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed"; \
    } while (0)
