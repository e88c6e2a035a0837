// The sandbox root of a benchmark program: a fresh folder in the temporary folder, made at first
// use and removed with all it holds (the printers, the registry, the spool files of every job)
// when the program ends, as the tools remove theirs.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

class Sandbox {
public:
    // `prefix` names the folder: /tmp/PREFIX-XXXXXX. A folder that cannot be made ends the
    // program: a benchmark must never fall back to a folder it did not make (it would remove it).
    explicit Sandbox(const std::string& prefix) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("benchmark sandbox");
            std::exit(2);
        }
        root_ = pattern;
    }
    ~Sandbox() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& root() const { return root_; }

private:
    std::string root_;
};

}  // namespace bench
