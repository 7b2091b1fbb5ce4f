// The least a trash command must do for one file in the home trash, as a lower bound for
// the benchmark: create the info file exclusively, write it, rename the file. The trash
// folders must exist; the file must be named by an absolute path without special bytes.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

int main(int argc, char** argv) {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (argc != 2 || data == nullptr)
        return 2;
    const std::string item = argv[1];
    const std::string name = item.substr(item.rfind('/') + 1);
    const std::string trash = std::string(data) + "/Trash/";
    const std::string info = trash + "info/" + name + ".trashinfo";

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string text = "[Trash Info]\nPath=" + item + "\nDeletionDate=" + date + "\n";

    const int fd = ::open(info.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return 1;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (!written || ::rename(item.c_str(), (trash + "files/" + name).c_str()) != 0)
        return 1;
    return 0;
}
