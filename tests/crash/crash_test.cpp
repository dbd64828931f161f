// Crash tests for loading a card. A real lumbrel-cli load is killed with
// SIGKILL just before one of its file operations (the kill_at preload library
// counts them), the program is started again with `info`, and then the card
// and the program folder must be exactly as before the load or exactly as
// after an uninterrupted one, as a whole: no picture off the card unless the
// index names its complete copy, every picture of the run named by the index,
// no temporary file and no journal left.
//
// Every run of a case happens in the same folders (the index records absolute
// paths), which are put back to the prepared state before each run.
//
// LUMBREL_CRASH_MAX_POINTS=N limits every case to N kill points, spread over
// the run, for a quick look.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

const std::string kCli = LUMBREL_CLI;
const std::string kMakeSampleCard = LUMBREL_MAKE_SAMPLE_CARD;
const std::string kKillAtLibrary = LUMBREL_KILL_AT_LIBRARY;
const std::string kCameraSim = LUMBREL_CAMERA_SIM;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; !from.empty() && (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// ---------------------------------------------------------------------------
// Child processes

struct Exit {
    bool signaled = false;
    int code = -1;  // exit status when not signaled
    int signal = 0;
    bool timedOut = false;
    std::string output;  // stdout and stderr together

    bool ok() const { return !signaled && code == 0; }
    bool killed() const { return signaled && signal == SIGKILL && !timedOut; }
    std::string describe() const {
        std::string text = timedOut   ? "timed out"
                           : signaled ? "died of signal " + std::to_string(signal)
                                      : "exited with " + std::to_string(code);
        if (!output.empty()) text += ", said: " + output.substr(0, 600);
        return text;
    }
};

// Runs argv[0] with exactly env, stdin from /dev/null and stdout/stderr into
// outputFile; a child that outlives timeoutSeconds is killed.
// A signal sent to a child a given time after its start.
struct TimedSignal {
    int afterMs = 0;
    int signal = 0;
};

Exit runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                const std::string& outputFile, int timeoutSeconds = 300,
                const std::vector<TimedSignal>& signals = {}) {
    // Everything the child needs is made before fork.
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) fail("fork");
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::umask(022);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }

    Exit result;
    int status = 0;
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + std::chrono::seconds(timeoutSeconds);
    std::size_t sent = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (sent < signals.size() &&
            std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(signals[sent].afterMs))
            ::kill(pid, signals[sent++].signal);
        if (done < 0 && errno != EINTR) fail("waitpid");
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    result.signaled = WIFSIGNALED(status);
    result.signal = result.signaled ? WTERMSIG(status) : 0;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = readText(outputFile);
    return result;
}

// ---------------------------------------------------------------------------
// Fingerprints of file trees

// One entry of a tree. File times are left out: they are not part of what a
// run promises, and copies made for each run cannot keep change times.
// Permission bits count: the program makes some pages read-only, and a kill
// between writing such a page and changing its mode must not show.
struct Entry {
    char type = '?';  // 'd' folder, 'f' file, 'l' symbolic link, '?' anything else
    unsigned mode = 0;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;  // of a file's contents or a link's target text

    bool operator==(const Entry&) const = default;

    std::string describe() const {
        char text[96];
        switch (type) {
            case 'd': std::snprintf(text, sizeof text, "folder %03o", mode); break;
            case 'f':
                std::snprintf(text, sizeof text, "file %03o, %llu bytes, #%016llx", mode,
                              static_cast<unsigned long long>(size), static_cast<unsigned long long>(hash));
                break;
            case 'l': std::snprintf(text, sizeof text, "link #%016llx", static_cast<unsigned long long>(hash)); break;
            default: std::snprintf(text, sizeof text, "special file %03o", mode);
        }
        return text;
    }
};

// Relative path ('/' separated) -> entry, for every file and folder under a
// root (not the root itself).
using Tree = std::map<std::string, Entry>;

std::uint64_t fnv1a(std::uint64_t hash, const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) hash = (hash ^ p[i]) * 0x100000001b3ULL;
    return hash;
}

constexpr std::uint64_t kFnvStart = 0xcbf29ce484222325ULL;

std::uint64_t hashFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::uint64_t hash = kFnvStart;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        hash = fnv1a(hash, buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return hash;
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

void addToTree(const std::string& root, const std::string& relative, Tree& tree) {
    for (const std::string& name : folderNames(relative.empty() ? root : root + "/" + relative)) {
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        const std::string path = root + "/" + rel;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) continue;
        Entry entry;
        entry.mode = st.st_mode & 07777;
        if (S_ISDIR(st.st_mode)) {
            entry.type = 'd';
        } else if (S_ISREG(st.st_mode)) {
            entry.type = 'f';
            entry.size = static_cast<std::uint64_t>(st.st_size);
            entry.hash = hashFile(path);
            // A trash entry records when it was made: the same entry made at
            // another moment is the same state.
            if (name.ends_with(".trashinfo")) {
                const std::string text = std::regex_replace(readText(path), std::regex("DeletionDate=[^\n]*"), "");
                entry.hash = fnv1a(kFnvStart, reinterpret_cast<const unsigned char*>(text.data()), text.size());
            }
        } else if (S_ISLNK(st.st_mode)) {
            entry.type = 'l';
            entry.mode = 0;
            std::vector<char> target(static_cast<std::size_t>(st.st_size) + 1);
            const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
            entry.size = n > 0 ? static_cast<std::uint64_t>(n) : 0;
            entry.hash = fnv1a(kFnvStart, reinterpret_cast<const unsigned char*>(target.data()), entry.size);
        }
        tree[rel] = entry;
        if (entry.type == 'd') addToTree(root, rel, tree);
    }
}

Tree fingerprint(const std::string& root) {
    Tree tree;
    addToTree(root, "", tree);
    return tree;
}

// The whole state a load may change: the card and the program folder (with
// the library in it).
struct State {
    Tree card, home, config;
    bool operator==(const State&) const = default;
};

// What differs between two states, one line per path, with the given names
// for the two sides.
std::vector<std::string> differences(const State& expected, const State& actual) {
    std::vector<std::string> lines;
    auto compare = [&](const Tree& a, const Tree& b, const std::string& prefix) {
        std::set<std::string> paths;
        for (const auto& [p, e] : a) paths.insert(p);
        for (const auto& [p, e] : b) paths.insert(p);
        for (const auto& p : paths) {
            const auto ia = a.find(p), ib = b.find(p);
            if (ia != a.end() && ib != b.end() && ia->second == ib->second) continue;
            lines.push_back(prefix + p + ": expected " + (ia == a.end() ? "nothing" : ia->second.describe()) +
                            ", found " + (ib == b.end() ? "nothing" : ib->second.describe()));
        }
    };
    compare(expected.card, actual.card, "card/");
    compare(expected.home, actual.home, "home/");
    compare(expected.config, actual.config, "config/");
    return lines;
}

std::string lastComponent(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Leftovers that no state may show once the program has started again: the
// temporary files of replaced files and the run journal.
std::vector<std::string> leftovers(const State& state) {
    static const std::regex temporary(R"(.*\.tmp-[0-9]+-[0-9]+$)");
    std::vector<std::string> found;
    for (const auto& [path, entry] : state.card)
        if (std::regex_match(lastComponent(path), temporary)) found.push_back("card/" + path);
    for (const auto& [path, entry] : state.config)
        if (std::regex_match(lastComponent(path), temporary)) found.push_back("config/" + path);
    for (const auto& [path, entry] : state.home) {
        const std::string name = lastComponent(path);
        if (std::regex_match(name, temporary) || name.starts_with("Lumbrel.journal")) found.push_back("home/" + path);
    }
    return found;
}

std::string joinLines(const std::vector<std::string>& lines, std::size_t limit, const std::string& indent = "    ") {
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < limit; ++i) text += indent + lines[i] + "\n";
    if (lines.size() > limit) text += indent + "... and " + std::to_string(lines.size() - limit) + " more\n";
    return text;
}

// ---------------------------------------------------------------------------
// Copying trees

// Gives back owner write and search permission below folder, so that
// read-only files and folders do not stop their removal.
void makeRemovable(const std::string& folder) {
    for (const std::string& name : folderNames(folder)) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) continue;
        ::chmod(path.c_str(), (st.st_mode & 07777) | S_IRWXU);
        if (S_ISDIR(st.st_mode)) makeRemovable(path);
    }
}

void removeTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(path.c_str(), (st.st_mode & 07777) | S_IRWXU);
        for (const std::string& name : folderNames(path)) removeTree(path + "/" + name);
        if (::rmdir(path.c_str()) != 0) fail("rmdir " + path);
    } else if (::unlink(path.c_str()) != 0) {
        fail("unlink " + path);
    }
}

// Empties a folder but keeps it: it may be a mount point.
void clearFolder(const std::string& folder) {
    for (const std::string& name : folderNames(folder)) removeTree(folder + "/" + name);
}

void copyFile(const std::string& from, const std::string& to, const struct stat& st) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) fail("open " + from);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) fail("create " + to);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("read " + from);
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) fail("write " + to);
            done += w;
        }
    }
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    ::fchmod(out, st.st_mode & 07777);
    ::close(in);
    ::close(out);
}

// Copies the contents of folder from into the existing folder to: separate
// files (no hard links), with their modes and file times, since the program
// dates undated pictures and movies by their file times.
void copyContents(const std::string& from, const std::string& to) {
    for (const std::string& name : folderNames(from)) {
        const std::string source = from + "/" + name, target = to + "/" + name;
        struct stat st {};
        if (::lstat(source.c_str(), &st) != 0) fail("lstat " + source);
        if (S_ISDIR(st.st_mode)) {
            if (::mkdir(target.c_str(), 0700) != 0) fail("mkdir " + target);
            copyContents(source, target);
            ::chmod(target.c_str(), st.st_mode & 07777);
            const timespec times[2] = {st.st_atim, st.st_mtim};
            ::utimensat(AT_FDCWD, target.c_str(), times, 0);
        } else if (S_ISREG(st.st_mode)) {
            copyFile(source, target, st);
        } else if (S_ISLNK(st.st_mode)) {
            std::vector<char> text(static_cast<std::size_t>(st.st_size) + 1);
            const ssize_t n = ::readlink(source.c_str(), text.data(), text.size());
            if (n < 0 || ::symlink(std::string(text.data(), static_cast<std::size_t>(n)).c_str(), target.c_str()) != 0)
                fail("symlink " + target);
        }
    }
}

void makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) fail("mkdir " + path);
}

dev_t deviceOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) fail("stat " + path);
    return st.st_dev;
}

// Bytes a tree takes on a file system of 4 KiB blocks (contents only).
std::uint64_t blockBytes(const Tree& tree) {
    std::uint64_t total = 0;
    for (const auto& [path, entry] : tree)
        if (entry.type == 'f') total += (entry.size + 4095) / 4096 * 4096;
    return total;
}

// ---------------------------------------------------------------------------
// Cards

void runTool(const std::vector<std::string>& argv, const std::string& outputFile) {
    const Exit exit = runProcess(argv, {"PATH=/usr/bin:/bin", "TZ=UTC", "LC_ALL=C"}, outputFile);
    if (!exit.ok()) throw std::runtime_error(argv[0] + " " + exit.describe());
}

void setFileTime(const std::string& path, const std::string& timeOf) {
    struct stat st {};
    if (::stat(timeOf.c_str(), &st) != 0) fail("stat " + timeOf);
    const timespec times[2] = {st.st_mtim, st.st_mtim};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) fail("utimensat " + path);
}

// The sample card of make-sample-card: 15 loadable files over six days, a
// text file and a folder that are not loaded, lower-case names.
void makeFullCard(const std::string& card, const std::string& scratch) {
    runTool({kMakeSampleCard, card}, scratch + "/make-sample-card.txt");
}

// A card small enough to kill a load at every file operation: two pictures
// (one to be turned upright), a movie dated by its file time and an undated
// picture dated by its file time, over two days in two months; a text file
// that stays on the card and the maker's folder outside DCIM.
void makeSmallCard(const std::string& card, const std::string& scratch) {
    makeFullCard(card, scratch);
    const std::string dcim = card + "/DCIM";
    for (const char* name : {"100ORRIN/ABCD0003.JPG", "100ORRIN/ABCD0004.JPG", "100ORRIN/ABCD0005.JPG",
                             "100ORRIN/ABCD0006.JPG", "100ORRIN/ABCD0007.JPG", "100ORRIN/ABCD0008.JPG",
                             "100ORRIN/ABCD0009.JPG", "100ORRIN/ABCD0010.JPG", "100ORRIN/ABCD0012.AVI",
                             "101ORRIN/abcd0101.jpg", "101ORRIN/ABCD0102.Jpg", "101ORRIN/ABCD0000.JPG"})
        removeTree(dcim + "/" + name);
    removeTree(dcim + "/MISC");
    // The movie joins the first picture's day: one album less to write.
    setFileTime(dcim + "/100ORRIN/ABCD0011.AVI", dcim + "/100ORRIN/ABCD0001.JPG");
}

// A card of 500 files in five DCF folders 100ABCDE..104ABCDE, named
// ABCD0001..ABCD0500: copies of the sample pictures and a movie, in turn, so
// that they spread over the sample's days.
void makeLargeCard(const std::string& card, const std::string& scratch) {
    const std::string sample = scratch + "/sample";
    makeFolder(sample);
    makeFullCard(sample, scratch);
    const std::vector<std::string> sources = {
        "100ORRIN/ABCD0001.JPG", "100ORRIN/ABCD0002.JPG", "100ORRIN/ABCD0003.JPG", "100ORRIN/ABCD0004.JPG",
        "100ORRIN/ABCD0005.JPG", "100ORRIN/ABCD0006.JPG", "100ORRIN/ABCD0007.JPG", "100ORRIN/ABCD0008.JPG",
        "100ORRIN/ABCD0009.JPG", "100ORRIN/ABCD0010.JPG", "100ORRIN/ABCD0011.AVI", "101ORRIN/ABCD0103.JPG"};
    makeFolder(card + "/DCIM");
    for (int i = 1; i <= 500; ++i) {
        const std::string& source = sources[static_cast<std::size_t>(i - 1) % sources.size()];
        const std::string folder = card + "/DCIM/" + std::to_string(100 + (i - 1) / 100) + "ABCDE";
        makeFolder(folder);
        char name[32];
        std::snprintf(name, sizeof name, "/ABCD%04d.%s", i, source.substr(source.size() - 3).c_str());
        struct stat st {};
        const std::string from = sample + "/DCIM/" + source;
        if (::stat(from.c_str(), &st) != 0) fail("stat " + from);
        copyFile(from, folder + name, st);
    }
    removeTree(sample);
}

// ---------------------------------------------------------------------------
// The work folder of one case

enum class Place { WorkFolder, OwnTmpfs };

struct Layout {
    Place card = Place::WorkFolder;
    Place home = Place::WorkFolder;
    std::uint64_t homeBytes = 0;  // size of the program folder's tmpfs
};

// A tmpfs mounted for a case, unmounted with it.
class Mount {
public:
    Mount(const std::string& dir, std::uint64_t bytes, std::string& error) : dir_(dir) {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0) mounted_ = true;
        else error = std::string("mount -t tmpfs: ") + std::strerror(errno);
    }
    ~Mount() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::string dir_;
    bool mounted_ = false;
};

std::string makeTempFolder(const std::string& parent) {
    std::string pattern = parent + "/lumbrel-crash-XXXXXX";
    if (!::mkdtemp(pattern.data())) fail("mkdtemp in " + parent);
    return pattern;
}

std::string tempParent() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// The folders of one case: run/ holds the card, the program folder and the
// settings the program works on; seed/ keeps their prepared state, copied
// back into run/ before each run.
class Workspace {
public:
    explicit Workspace(const Layout& layout) {
        work_ = makeTempFolder(tempParent());
        run_ = work_ + "/run";
        seed_ = work_ + "/seed";
        for (const std::string& dir : {run_, seed_, run_ + "/config", seed_ + "/card", seed_ + "/home",
                                       seed_ + "/config", run_ + "/home", run_ + "/card"})
            makeFolder(dir);
        card_ = run_ + "/card";
        home_ = run_ + "/home";
        if (layout.card == Place::OwnTmpfs) {
            std::string error;
            cardMount_ = std::make_unique<Mount>(card_, 64ull << 20, error);
            if (!cardMount_->mounted()) {
                // Without the right to mount, /dev/shm will do when it is
                // another file system than the library's.
                cardMount_.reset();
                struct stat st {};
                if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev != deviceOf(home_)) {
                    shm_ = makeTempFolder("/dev/shm");
                    card_ = shm_ + "/card";
                    makeFolder(card_);
                } else {
                    skipReason_ = error + ", and /dev/shm is no other file system";
                }
            }
        }
        if (layout.home == Place::OwnTmpfs) mountHome(layout.homeBytes);
    }

    ~Workspace() {
        homeMount_.reset();
        cardMount_.reset();
        try {
            if (!shm_.empty()) removeTree(shm_);
            removeTree(work_);
        } catch (const std::exception& e) {
            std::cerr << "cannot clean up: " << e.what() << "\n";
        }
    }

    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Puts a tmpfs of the given size over the program folder, emptied first.
    void mountHome(std::uint64_t bytes) {
        homeMount_.reset();
        clearFolder(home_);
        std::string error;
        homeMount_ = std::make_unique<Mount>(home_, bytes, error);
        if (!homeMount_->mounted()) {
            homeMount_.reset();
            skipReason_ = error;
        }
    }

    const std::string& skipReason() const { return skipReason_; }
    const std::string& card() const { return card_; }
    const std::string& home() const { return home_; }
    const std::string& work() const { return work_; }

    std::vector<std::string> environment(const std::vector<std::string>& extra = {}) const {
        // The desktop's trash lies in the program folder, where the state sees it.
        std::vector<std::string> env = {"PATH=/usr/bin:/bin", "HOME=" + run_, "XDG_CONFIG_HOME=" + run_ + "/config",
                                        "XDG_DATA_HOME=" + home_ + "/Data", "TZ=UTC", "LC_ALL=C"};
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }

    Exit cli(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {},
             const std::vector<TimedSignal>& signals = {}) const {
        std::vector<std::string> argv = {kCli, "--home", home_};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProcess(argv, environment(extraEnv), work_ + "/output.txt", 300, signals);
    }

    Exit info() const { return cli({"info"}); }

    // The command under test (lumbrel-cli's arguments), with the preload
    // library and its settings.
    Exit job(const std::vector<std::string>& args, const std::vector<std::string>& killEnv) const {
        if (beforeJob) beforeJob();
        std::vector<std::string> env = {"LD_PRELOAD=" + kKillAtLibrary};
        env.insert(env.end(), killEnv.begin(), killEnv.end());
        return cli(args, env);
    }
    // The load of the card; mode --move or --copy.
    std::vector<std::string> load(const std::string& mode) const {
        return {"load", "--yes", "--no-open", "--undated", "file-date", mode, card_ + "/DCIM"};
    }

    // Keeps the current state of run/ as the one to come back to.
    void keep() {
        for (const char* part : {"card", "home", "config"}) clearFolder(seed_ + "/" + part);
        copyContents(card_, seed_ + "/card");
        copyContents(home_, seed_ + "/home");
        copyContents(run_ + "/config", seed_ + "/config");
    }

    // Puts run/ back into the kept state.
    void restore() const {
        clearFolder(card_);
        clearFolder(home_);
        clearFolder(run_ + "/config");
        copyContents(seed_ + "/card", card_);
        copyContents(seed_ + "/home", home_);
        copyContents(seed_ + "/config", run_ + "/config");
    }

    State state() const { return {fingerprint(card_), fingerprint(home_), fingerprint(run_ + "/config")}; }

    // Paths in messages, shortened to card/... and home/...
    std::string shorten(const std::string& text) const {
        return replaceAll(replaceAll(text, card_ + "/", "card/"), home_ + "/", "home/");
    }

    /// Called before each run of the command under test (a fresh camera).
    std::function<void()> beforeJob;

private:
    std::string work_, run_, seed_, card_, home_, shm_, skipReason_;
    std::unique_ptr<Mount> cardMount_, homeMount_;
};

// ---------------------------------------------------------------------------
// Runs and kill points

std::uint64_t readCount(const std::string& path) {
    const std::string text = readText(path);
    return text.empty() ? 0 : std::strtoull(text.c_str(), nullptr, 10);
}

// The call a killed run was stopped before, as its log says.
std::string interruptedCall(const std::string& log) {
    const std::string text = readText(log);
    const std::size_t at = text.rfind("KILL before ");
    if (at == std::string::npos) return "?";
    const std::size_t end = text.find('\n', at);
    return text.substr(at + 12, end == std::string::npos ? std::string::npos : end - at - 12);
}

struct Uninterrupted {
    Exit load;
    Exit info;
    State state;
    std::uint64_t count = 0;  // counted file operations of the load
    std::string log;          // the calls, one a line
};

// A run of the command from the kept state that nothing stops, followed by a start.
Uninterrupted uninterruptedRun(Workspace& w, const std::vector<std::string>& command) {
    w.restore();
    const std::string countFile = w.work() + "/count.txt", logFile = w.work() + "/calls.txt";
    ::unlink(countFile.c_str());
    ::unlink(logFile.c_str());
    Uninterrupted run;
    run.load = w.job(command, {"LUMBREL_KILL_COUNT=" + countFile, "LUMBREL_KILL_LOG=" + logFile});
    run.info = w.info();
    run.state = w.state();
    run.count = readCount(countFile);
    run.log = w.shorten(readText(logFile));
    return run;
}

// The after state of a case and the number of kill points: two loads that
// nothing stops must leave the same state, or the comparison means nothing.
struct Reference {
    State after;
    std::uint64_t points = 0;
    std::string log;
};

Reference referenceRun(Workspace& w, const std::vector<std::string>& command, bool loadMustSucceed) {
    Reference ref;
    const Uninterrupted first = uninterruptedRun(w, command), second = uninterruptedRun(w, command);
    if (loadMustSucceed) {
        EXPECT_TRUE(first.load.ok()) << "load " << first.load.describe();
        EXPECT_TRUE(second.load.ok()) << "load " << second.load.describe();
    }
    EXPECT_TRUE(first.info.ok()) << "info after load " << first.info.describe();
    EXPECT_TRUE(first.state == second.state)
        << "two uninterrupted loads from the same state differ:\n"
        << joinLines(differences(first.state, second.state), 20);
    EXPECT_GT(first.count, 0u) << "the preload library counted nothing: " << kKillAtLibrary;
    if (first.count != second.count)
        std::cout << "  note: the two uninterrupted loads made " << first.count << " and " << second.count
                  << " counted calls\n";
    ref.after = first.state;
    ref.points = std::max(first.count, second.count);
    ref.log = first.log;
    return ref;
}

// Kill points to try out of 1..total: every one up to limit, else limit of
// them spread evenly, the last ones always among them.
std::vector<std::uint64_t> spread(std::uint64_t total, std::uint64_t limit) {
    if (const char* cap = std::getenv("LUMBREL_CRASH_MAX_POINTS"))
        if (const std::uint64_t n = std::strtoull(cap, nullptr, 10); n > 0) limit = std::min(limit, n);
    std::set<std::uint64_t> points;
    if (total <= limit) {
        for (std::uint64_t p = 1; p <= total; ++p) points.insert(p);
    } else if (limit > 0) {
        const std::uint64_t tail = std::min<std::uint64_t>(3, limit);
        for (std::uint64_t p = total - tail + 1; p <= total; ++p) points.insert(p);
        const std::uint64_t rest = limit - tail;
        for (std::uint64_t i = 0; i < rest; ++i) points.insert(1 + i * (total - tail) / std::max<std::uint64_t>(rest, 1));
    }
    return {points.begin(), points.end()};
}

struct KillCheck {
    std::string title;
    std::vector<std::string> command;  // lumbrel-cli's arguments
    std::vector<std::pair<std::string, const State*>> allowed;  // the states a start may leave, by name
};

// Kills the load at each point, starts the program again and compares. One
// failure per point that breaks the promise, gathered into one report.
void killAtPoints(Workspace& w, const KillCheck& check, const std::vector<std::uint64_t>& points,
                  std::uint64_t total) {
    const auto start = std::chrono::steady_clock::now();
    const std::string logFile = w.work() + "/kill.txt";
    std::vector<std::string> failures;
    std::vector<std::uint64_t> failed;
    std::size_t notKilled = 0;
    for (const std::uint64_t point : points) {
        w.restore();
        ::unlink(logFile.c_str());
        const Exit load = w.job(check.command, {"LUMBREL_KILL_AT=" + std::to_string(point), "LUMBREL_KILL_LOG=" + logFile});
        const Exit info = w.info();
        const State state = w.state();

        std::string problem;
        if (!info.ok()) problem += "  the start after the kill " + w.shorten(info.describe()) + "\n";
        bool matches = false;
        std::string nearest;
        std::vector<std::string> nearestDiff;
        for (const auto& [name, allowed] : check.allowed) {
            if (state == *allowed) {
                matches = true;
                break;
            }
            std::vector<std::string> diff = differences(*allowed, state);
            if (nearest.empty() || diff.size() < nearestDiff.size()) {
                nearest = name;
                nearestDiff = std::move(diff);
            }
        }
        if (!matches)
            problem += "  not the state " + std::string(check.allowed.size() > 1 ? "before or after" : "before") +
                       " the load; nearest to " + nearest + ", " + std::to_string(nearestDiff.size()) +
                       " paths differ:\n" + joinLines(nearestDiff, 12, "    ");
        if (const auto left = leftovers(state); !left.empty())
            problem += "  left behind:\n" + joinLines(left, 8, "    ");

        if (!load.killed()) ++notKilled;
        if (!problem.empty()) {
            failed.push_back(point);
            const std::string how = load.killed() ? "killed before " + w.shorten(interruptedCall(logFile))
                                                  : "not killed: load " + w.shorten(load.describe());
            failures.push_back("kill point " + std::to_string(point) + " of " + std::to_string(total) + " (" + how +
                               "):\n" + problem);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::ostringstream summary;
    summary << check.title << ": " << points.size() << " kill points of " << total << " tried, " << failed.size()
            << " fail";
    if (notKilled) summary << ", " << notKilled << " loads ended before their kill point";
    summary << ", " << static_cast<int>(seconds + 0.5) << " s";
    std::cout << "  " << summary.str() << "\n";

    if (!failures.empty()) {
        std::string list;
        for (std::size_t i = 0; i < failed.size(); ++i) list += (i ? " " : "") + std::to_string(failed[i]);
        // Neighbouring points tend to fail alike: the first of each run of
        // failing points stands for the run.
        std::string details;
        std::size_t shown = 0;
        for (std::size_t i = 0; i < failures.size() && shown < 8; ++i)
            if (i == 0 || failed[i] != failed[i - 1] + 1) {
                details += failures[i];
                ++shown;
            }
        ADD_FAILURE() << summary.str() << "\nfailing points: " << list << "\nthe first of each run of them:\n"
                      << details;
    }
}

// The prepared state every run of a case starts from: the card, and a
// program folder that one start has set up (the site pages).
State prepare(Workspace& w, void (*makeCard)(const std::string&, const std::string&)) {
    makeCard(w.card(), w.work());
    const Exit first = w.info();
    if (!first.ok()) throw std::runtime_error("info on a fresh program folder " + first.describe());
    w.keep();
    w.restore();
    return w.state();
}

// Which of the four small-card cases: transfer mode and where the card is.
struct SmallCase {
    const char* id;
    const char* name;
    const char* mode;
    Place card;
};

void PrintTo(const SmallCase& c, std::ostream* out) { *out << c.name; }

class SmallCardKill : public testing::TestWithParam<SmallCase> {};

// ---------------------------------------------------------------------------
// The harness itself

TEST(CrashHarness, PreloadLibraryCountsAndKillsBeforeTheChosenCall) {
    // Start-up on a fresh program folder is one thread and the same each time:
    // its count of calls, and a kill at each end of it, can be checked exactly.
    auto freshRun = [](const std::vector<std::string>& killEnv) {
        Workspace w({});
        removeTree(w.home());
        std::vector<std::string> env = {"LD_PRELOAD=" + kKillAtLibrary};
        env.insert(env.end(), killEnv.begin(), killEnv.end());
        std::pair<Exit, bool> result{w.cli({"info"}, env), ::access(w.home().c_str(), F_OK) == 0};
        return result;
    };
    const std::string scratch = makeTempFolder(tempParent());
    const auto [counted, madeHome] = freshRun({"LUMBREL_KILL_COUNT=" + scratch + "/count"});
    const std::uint64_t total = readCount(scratch + "/count");
    removeTree(scratch);
    ASSERT_TRUE(counted.ok()) << counted.describe();
    ASSERT_TRUE(madeHome);
    ASSERT_GT(total, 0u);

    const auto [first, homeAfterFirst] = freshRun({"LUMBREL_KILL_AT=1"});
    EXPECT_TRUE(first.killed()) << first.describe();
    EXPECT_FALSE(homeAfterFirst) << "the program folder was made although the kill came before the first call";
    const auto [last, homeAfterLast] = freshRun({"LUMBREL_KILL_AT=" + std::to_string(total)});
    EXPECT_TRUE(last.killed()) << "kill at call " << total << ": " << last.describe();
    const auto [beyond, homeAfterBeyond] = freshRun({"LUMBREL_KILL_AT=" + std::to_string(total + 1)});
    EXPECT_TRUE(beyond.ok()) << "kill at call " << total + 1 << " of " << total << ": " << beyond.describe();
}

TEST(CrashHarness, StartingTwiceChangesNothing) {
    Workspace w({});
    const State before = prepare(w, makeSmallCard);
    for (int i = 0; i < 2; ++i) {
        const Exit info = w.info();
        ASSERT_TRUE(info.ok()) << info.describe();
    }
    EXPECT_TRUE(w.state() == before) << joinLines(differences(before, w.state()), 20);
    EXPECT_TRUE(leftovers(before).empty());
}

// ---------------------------------------------------------------------------
// Kill points

TEST_P(SmallCardKill, EveryPointLeavesTheStateBeforeOrAfter) {
    const SmallCase& param = GetParam();
    Workspace w({.card = param.card});
    if (!w.skipReason().empty()) GTEST_SKIP() << "no card on another file system: " << w.skipReason();
    const State before = prepare(w, makeSmallCard);
    const Reference ref = referenceRun(w, w.load(param.mode), true);
    ASSERT_FALSE(ref.after == before) << "the load changed nothing";
    EXPECT_TRUE(leftovers(ref.after).empty()) << joinLines(leftovers(ref.after), 10);
    // Every point; on another file system the card's files are copied
    // byte by byte, so the count may grow: beyond 800 they are spread.
    const std::uint64_t limit = param.card == Place::WorkFolder ? ref.points : 800;
    killAtPoints(w, {param.name, w.load(param.mode), {{"before", &before}, {"after", &ref.after}}}, spread(ref.points, limit), ref.points);
}

INSTANTIATE_TEST_SUITE_P(Crash, SmallCardKill,
                         testing::Values(SmallCase{"Move", "small card, move", "--move", Place::WorkFolder},
                                         SmallCase{"Copy", "small card, copy", "--copy", Place::WorkFolder},
                                         SmallCase{"MoveFromOtherFileSystem", "small card on another file system, move",
                                                   "--move", Place::OwnTmpfs},
                                         SmallCase{"CopyFromOtherFileSystem", "small card on another file system, copy",
                                                   "--copy", Place::OwnTmpfs}),
                         [](const testing::TestParamInfo<SmallCase>& info) { return std::string(info.param.id); });

// Loading other folders: the small card's two picture folders moved in, by
// recording date and, sorting by date of loading, into one library with a
// subfolder per folder.
struct OtherCase {
    const char* id;
    const char* name;
    int classification;
};

void PrintTo(const OtherCase& c, std::ostream* out) { *out << c.name; }

class OtherFoldersKill : public testing::TestWithParam<OtherCase> {};

TEST_P(OtherFoldersKill, EveryPointLeavesTheStateBeforeOrAfter) {
    const OtherCase& param = GetParam();
    Workspace w({});
    prepare(w, makeSmallCard);
    const Exit set = w.cli({"settings", "set", "CameraImage", "Classitication", std::to_string(param.classification)});
    ASSERT_TRUE(set.ok()) << set.describe();
    w.keep();
    w.restore();
    const State before = w.state();
    const std::vector<std::string> command = {"load-other", "--move",   "--no-open", "--undated",
                                              "file-date",  "--date",   "20240500",  w.card() + "/DCIM/100ORRIN",
                                              w.card() + "/DCIM/101ORRIN"};
    const Reference ref = referenceRun(w, command, true);
    ASSERT_FALSE(ref.after == before) << "the load changed nothing";
    EXPECT_TRUE(leftovers(ref.after).empty()) << joinLines(leftovers(ref.after), 10);
    killAtPoints(w, {param.name, command, {{"before", &before}, {"after", &ref.after}}}, spread(ref.points, 600),
                 ref.points);
}

INSTANTIATE_TEST_SUITE_P(Crash, OtherFoldersKill,
                         testing::Values(OtherCase{"ByRecordingDate", "other folders moved by recording date", 0},
                                         OtherCase{"OneLibrary", "other folders moved into one library", 1}),
                         [](const testing::TestParamInfo<OtherCase>& info) { return std::string(info.param.id); });

// The small card without its undated picture: a received picture without a
// date of its own is recorded at the time it came in, which differs from run
// to run.
void makeSerialCard(const std::string& card, const std::string& scratch) {
    makeSmallCard(card, scratch);
    removeTree(card + "/DCIM/101ORRIN/ABCD0103.JPG");
}

// A simulated serial camera serving the workspace's card, a process of its
// own started afresh for each run: a run killed in the middle of a reply
// leaves the camera half-way through it, as a real camera would be until
// switched off and on.
class SimulatedCamera {
public:
    explicit SimulatedCamera(const Workspace& w) : w_(w), device_(w.work() + "/camera-tty") {}
    ~SimulatedCamera() { stop(); }
    SimulatedCamera(const SimulatedCamera&) = delete;
    SimulatedCamera& operator=(const SimulatedCamera&) = delete;

    const std::string& device() const { return device_; }

    void restart() {
        stop();
        ::unlink(device_.c_str());
        pid_ = ::fork();
        if (pid_ < 0) fail("fork");
        if (pid_ == 0) {
            const int out = ::open((w_.work() + "/camera.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            ::execl(kCameraSim.c_str(), kCameraSim.c_str(), w_.card().c_str(), "--link", device_.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 500; ++i) {
            struct stat st {};
            if (::stat(device_.c_str(), &st) == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        fail("the simulated camera did not start");
    }

    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    const Workspace& w_;
    std::string device_;
    pid_t pid_ = -1;
};

// Kill points of a serial load: spread over the whole run, and every few
// points around the commit of the index.
std::vector<std::uint64_t> serialPoints(const Reference& ref) {
    std::vector<std::uint64_t> points = spread(ref.points, 24);
    std::uint64_t commit = 0;
    std::istringstream lines(ref.log);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::uint64_t n = 0;
        std::string call;
        fields >> n >> call;
        if (call.starts_with("rename") && line.ends_with(".kds")) commit = std::max(commit, n);
    }
    for (std::uint64_t p = commit > 2 ? commit - 2 : 1; commit && p <= commit + 2 && p <= ref.points; ++p)
        points.push_back(p);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

// A batch from a serial camera, killed while files come in (they wait in the
// program folder), while the pipeline places them and around its commit.
TEST(CrashSerialCamera, BatchKilledAtSampledPoints) {
    Workspace w({});
    const State before = prepare(w, makeSerialCard);
    SimulatedCamera camera(w);
    w.beforeJob = [&] { camera.restart(); };
    const std::vector<std::string> command = {"serial", "load", "--batch", "--port", camera.device(), "--no-open"};
    const Reference ref = referenceRun(w, command, true);
    ASSERT_FALSE(ref.after == before) << "the load changed nothing";
    EXPECT_TRUE(ref.after.card == before.card) << "the camera's files changed";
    EXPECT_TRUE(ref.log.find("home/Received/") != std::string::npos) << "no file was received";
    killAtPoints(w, {"serial batch", command, {{"before", &before}, {"after", &ref.after}}}, serialPoints(ref),
                 ref.points);
}

// Kill points picked out of a long run: spread evenly, the last ones, and
// around the calls that matter most, as the uninterrupted run's log shows
// them: the last replacement of the index (the commit) and the first and last
// change on the card (the clean-up of a move).
std::vector<std::uint64_t> largeCardPoints(const Reference& ref) {
    std::vector<std::uint64_t> points = spread(ref.points, 16);
    std::uint64_t commit = 0, firstCard = 0, lastCard = 0;
    std::istringstream lines(ref.log);
    for (std::string line; std::getline(lines, line);) {
        // "N call path" or "N call from -> to"
        std::istringstream fields(line);
        std::uint64_t n = 0;
        std::string call, path;
        fields >> n >> call >> path;
        if (call.starts_with("rename") && line.ends_with(".kds")) commit = std::max(commit, n);
        const bool removes = call.starts_with("unlink") || call.starts_with("rmdir") || call.starts_with("rename");
        if (removes && path.starts_with("card/")) {
            if (!firstCard) firstCard = n;
            lastCard = std::max(lastCard, n);
        }
    }
    for (const std::uint64_t around : {commit, firstCard, lastCard})
        if (around)
            for (const std::uint64_t p : {around - 1, around, around + 1})
                if (p >= 1 && p <= ref.points) points.push_back(p);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (const char* cap = std::getenv("LUMBREL_CRASH_MAX_POINTS"))
        if (const std::size_t n = std::strtoull(cap, nullptr, 10); n > 0 && points.size() > n) points.resize(n);
    return points;
}

TEST(CrashLargeCard, MoveOf500FilesAtSampledPoints) {
    Workspace w({});
    const State before = prepare(w, makeLargeCard);
    ASSERT_EQ(std::count_if(before.card.begin(), before.card.end(),
                            [](const auto& e) { return e.second.type == 'f'; }),
              500);
    const Reference ref = referenceRun(w, w.load("--move"), true);
    killAtPoints(w, {"500-file card, move", w.load("--move"), {{"before", &before}, {"after", &ref.after}}}, largeCardPoints(ref),
                 ref.points);
}

// Suspend signals sent to a running load, as a user or the system does: two
// Ctrl-C 50 ms apart, SIGTERM, SIGHUP. The load must end by itself (never
// die of the signal), taken back before its commit point or finished after
// it, and a start afterwards must find the state before or after.
TEST(CrashLargeCard, SuspendSignalsTakeTheLoadBackOrLetItFinish) {
    Workspace w({});
    const State before = prepare(w, makeLargeCard);
    const Reference ref = referenceRun(w, w.load("--move"), true);
    struct Case {
        const char* name;
        std::vector<TimedSignal> signals;
    };
    const std::vector<Case> cases = {
        {"Ctrl-C right at the start", {{100, SIGINT}}},
        {"two Ctrl-C early", {{300, SIGINT}, {350, SIGINT}}},
        {"SIGTERM early", {{300, SIGTERM}}},
        {"SIGHUP mid-way", {{1000, SIGHUP}}},
        {"three Ctrl-C late", {{2500, SIGINT}, {2550, SIGINT}, {2600, SIGINT}}},
    };
    int takenBack = 0;
    for (const Case& c : cases) {
        w.restore();
        const Exit load =
            w.cli({"load", "--yes", "--no-open", "--undated", "file-date", "--move", w.card() + "/DCIM"}, {}, c.signals);
        EXPECT_FALSE(load.signaled) << c.name << ": " << load.describe();
        const Exit info = w.info();
        EXPECT_TRUE(info.ok()) << c.name << ": " << info.describe();
        const State state = w.state();
        const bool asBefore = state == before, asAfter = state == ref.after;
        EXPECT_TRUE(asBefore || asAfter) << c.name << ": " << joinLines(differences(before, state), 12);
        EXPECT_TRUE(leftovers(state).empty()) << c.name << ": " << joinLines(leftovers(state), 8);
        std::cout << "  " << c.name << ": " << (asBefore ? "taken back" : asAfter ? "finished" : "neither") << "\n";
        if (asBefore) {
            ++takenBack;
            EXPECT_EQ(load.code, 1) << c.name;
            EXPECT_NE(load.output.find("suspended"), std::string::npos) << c.name << ": " << load.output;
        } else {
            EXPECT_EQ(load.code, 0) << c.name << ": " << load.output;
        }
    }
    EXPECT_GT(takenBack, 0) << "no signal came before the commit point: the load was too fast to test";
}

// A program folder whose file system fills up part-way through the load: the
// load fails, and it, or a kill during it, must leave the state as before.
TEST(CrashFullLibrary, FailedLoadLeavesTheStateAsBefore) {
    Workspace w({});
    const State before = prepare(w, makeFullCard);
    // Measured on the work folder: what the load adds to the program folder.
    const Uninterrupted full = uninterruptedRun(w, w.load("--move"));
    ASSERT_TRUE(full.load.ok()) << full.load.describe();
    const std::uint64_t beforeBytes = blockBytes(before.home), added = blockBytes(full.state.home) - beforeBytes;
    w.mountHome(beforeBytes + added / 2);
    if (!w.skipReason().empty()) GTEST_SKIP() << "no small file system for the library: " << w.skipReason();
    w.restore();
    ASSERT_TRUE(w.state() == before);

    const Uninterrupted failing = uninterruptedRun(w, w.load("--move"));
    EXPECT_FALSE(failing.load.ok()) << "the load fitted into " << (beforeBytes + added / 2) << " bytes";
    EXPECT_TRUE(failing.info.ok()) << "info after the failed load " << w.shorten(failing.info.describe());
    EXPECT_TRUE(failing.state == before) << "the failed load left:\n"
                                         << joinLines(differences(before, failing.state), 20);
    EXPECT_TRUE(leftovers(failing.state).empty()) << joinLines(leftovers(failing.state), 10);
    ASSERT_GT(failing.count, 0u) << "no count: did the failing load end without exit?";
    killAtPoints(w, {"library file system full, move", w.load("--move"), {{"before", &before}}}, spread(failing.count, 8),
                 failing.count);
}

// ---------------------------------------------------------------------------
// Looking after the libraries: copy, move, the move of the library root,
// delete and rebuild, each killed at every file operation on a library that
// a load of the small card made.

struct MaintenanceCase {
    const char* id;
    const char* name;
    Place card;  // where the destination lies: beside the library, or on another file system
    // lumbrel-cli's arguments, given the workspace, the destination folder and the library keys.
    std::vector<std::string> (*command)(const std::string& dest, const std::vector<std::string>& keys);
};

void PrintTo(const MaintenanceCase& c, std::ostream* out) { *out << c.name; }

class MaintenanceKill : public testing::TestWithParam<MaintenanceCase> {};

// The keys of the libraries, from lumbrel-cli list (the last field is the location).
std::vector<std::string> libraryKeys(const Workspace& w) {
    const Exit list = w.cli({"list"});
    if (!list.ok()) throw std::runtime_error("list " + list.describe());
    std::vector<std::string> keys;
    std::istringstream lines(list.output);
    for (std::string line; std::getline(lines, line);) keys.push_back(lastComponent(line));
    return keys;
}

TEST_P(MaintenanceKill, EveryPointLeavesTheStateBeforeOrAfter) {
    const MaintenanceCase& param = GetParam();
    Workspace w({.card = param.card});
    if (!w.skipReason().empty()) GTEST_SKIP() << "no folder on another file system: " << w.skipReason();
    prepare(w, makeSmallCard);
    const Exit load = w.cli(w.load("--copy"));
    ASSERT_TRUE(load.ok()) << load.describe();
    // The destination lies on the card's file system: the work folder's, or a tmpfs.
    const std::string dest = w.card() + "/Dest";
    makeFolder(dest);
    w.keep();
    w.restore();
    const State before = w.state();
    const std::vector<std::string> keys = libraryKeys(w);
    ASSERT_GE(keys.size(), 2u) << "the small card makes two libraries";
    const std::vector<std::string> command = param.command(dest, keys);
    const Reference ref = referenceRun(w, command, true);
    ASSERT_FALSE(ref.after == before) << "the command changed nothing";
    EXPECT_TRUE(leftovers(ref.after).empty()) << joinLines(leftovers(ref.after), 10);
    killAtPoints(w, {param.name, command, {{"before", &before}, {"after", &ref.after}}}, spread(ref.points, 600),
                 ref.points);
}

INSTANTIATE_TEST_SUITE_P(
    Crash, MaintenanceKill,
    testing::Values(
        MaintenanceCase{"Copy", "copy of two libraries", Place::WorkFolder,
                        [](const std::string& dest, const std::vector<std::string>& keys) {
                            return std::vector<std::string>{"copy", keys[0], keys[1], dest};
                        }},
        MaintenanceCase{"Move", "move of two libraries", Place::WorkFolder,
                        [](const std::string& dest, const std::vector<std::string>& keys) {
                            return std::vector<std::string>{"move", "--yes", keys[0], keys[1], dest};
                        }},
        MaintenanceCase{"MoveToOtherFileSystem", "move of two libraries to another file system", Place::OwnTmpfs,
                        [](const std::string& dest, const std::vector<std::string>& keys) {
                            return std::vector<std::string>{"move", "--yes", keys[0], keys[1], dest};
                        }},
        MaintenanceCase{"MoveRoot", "move of the library root", Place::WorkFolder,
                        [](const std::string& dest, const std::vector<std::string>&) {
                            return std::vector<std::string>{"move-root", "--yes", dest};
                        }},
        MaintenanceCase{"MoveRootToOtherFileSystem", "move of the library root to another file system",
                        Place::OwnTmpfs,
                        [](const std::string& dest, const std::vector<std::string>&) {
                            return std::vector<std::string>{"move-root", "--yes", dest};
                        }},
        MaintenanceCase{"Delete", "delete of a library", Place::WorkFolder,
                        [](const std::string&, const std::vector<std::string>& keys) {
                            return std::vector<std::string>{"delete", "--yes", keys[0]};
                        }},
        MaintenanceCase{"Rebuild", "rebuild of two libraries", Place::WorkFolder,
                        [](const std::string&, const std::vector<std::string>& keys) {
                            return std::vector<std::string>{"rebuild", "--yes", keys[0], keys[1]};
                        }},
        MaintenanceCase{"DeleteImages", "delete of a picture", Place::WorkFolder,
                        [](const std::string&, const std::vector<std::string>& keys) {
                            return std::vector<std::string>{"delete-images", "--yes", keys[0], "ABCD0001.JPG"};
                        }}),
    [](const testing::TestParamInfo<MaintenanceCase>& info) { return std::string(info.param.id); });

}  // namespace
