#include "testkit/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace ardeko::testkit {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "ardeko-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace ardeko::testkit
