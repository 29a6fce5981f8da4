// Builds a folder tree for the benchmark: FILES small files spread evenly over about FOLDERS
// nested folders (three levels), each dated by a seeded generator to a moment between
// January of FROM_YEAR and December of TO_YEAR (last change and last access alike). The same
// arguments give the same tree, so two copies can be compared run against run.
//
//   gen_tree DIR FILES FOLDERS SEED FROM_YEAR TO_YEAR
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

// A small, fast, seeded generator (splitmix64).
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

std::time_t LocalMidnight(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

bool MakeDir(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: gen_tree DIR FILES FOLDERS SEED FROM_YEAR TO_YEAR\n");
        return 2;
    }
    const std::string root = argv[1];
    const long files = std::atol(argv[2]);
    const long wantedFolders = std::max(1L, std::atol(argv[3]));
    Random random{std::strtoull(argv[4], nullptr, 10)};
    const std::time_t from = LocalMidnight(std::atoi(argv[5]), 1, 1);
    const std::time_t to = LocalMidnight(std::atoi(argv[6]) + 1, 1, 1) - 1;

    // Three levels: 10 top folders, 10 below each, and the rest spread below those.
    std::vector<std::string> folders{root};
    if (!MakeDir(root)) {
        std::perror(root.c_str());
        return 1;
    }
    const long leavesPerMid = std::max(1L, (wantedFolders - 110) / 100);
    for (int t = 0; t < 10; ++t) {
        const std::string top = root + "/Bereich " + std::to_string(t);
        MakeDir(top);
        folders.push_back(top);
        for (int m = 0; m < 10; ++m) {
            const std::string mid = top + "/Projekt " + std::to_string(m);
            MakeDir(mid);
            folders.push_back(mid);
            for (long l = 0; l < leavesPerMid; ++l) {
                const std::string leaf = mid + "/Ordner " + std::to_string(l);
                MakeDir(leaf);
                folders.push_back(leaf);
            }
        }
    }

    static const char* const kinds[] = {".doc", ".xlsx", ".txt", ".pdf", ".docx", ".ppt"};
    const char content[] = "Benchmarkdatei\n";
    char name[64];
    for (long i = 0; i < files; ++i) {
        const std::string& folder = folders[static_cast<std::size_t>(i) % folders.size()];
        std::snprintf(name, sizeof name, "/Datei %07ld%s", i, kinds[random.next() % 6]);
        const std::string path = folder + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) {
            std::perror(path.c_str());
            return 1;
        }
        if (::write(fd, content, sizeof content - 1) < 0) std::perror(path.c_str());
        const auto span = static_cast<std::uint64_t>(to - from);
        const timespec when{from + static_cast<std::time_t>(random.next() % span), 0};
        const timespec times[2]{when, when};
        ::futimens(fd, times);
        ::close(fd);
    }
    std::printf("%ld files in %zu folders\n", files, folders.size());
    return 0;
}
