#pragma once
// Libraries made by a real load of a small card, and the maintenance
// commands' context over scripted answers, a recording site and a trash in
// the test's own folder.

#include <cstdlib>
#include <deque>

#include "camera/loader_fixture.h"
#include "maintenance/maintenance_context.h"

namespace lumbrel::maintenance::test {

using camera::test::fingerprint;
using camera::test::localTime;
using camera::test::picture;

class ScriptedPrompt : public MaintenancePrompt {
public:
    bool confirm(Confirmation which) override {
        calls.push_back("confirm:" + std::to_string(static_cast<int>(which)));
        return take(confirms, true);
    }
    DeleteAnswer askDeleteLibrary(LibraryKind kind, std::string_view shown) override {
        calls.push_back(std::to_string(static_cast<int>(kind)) + ":" + std::string(shown));
        return take(answers, DeleteAnswer::Yes);
    }
    bool askDeleteReadOnly(const std::string& imageFile, const std::string&) override {
        calls.push_back("readonly:" + std::string(platform::lastComponent(imageFile)));
        return take(readOnly, false);
    }
    void showError(int id, std::string_view) override { errors.push_back(id); }

    std::deque<bool> confirms, readOnly;
    std::deque<DeleteAnswer> answers;
    std::vector<std::string> calls;
    std::vector<int> errors;

private:
    template <typename T>
    static T take(std::deque<T>& q, T otherwise) {
        if (q.empty()) return otherwise;
        T v = q.front();
        q.pop_front();
        return v;
    }
};

struct RecordingSite : SiteMaintenance {
    bool removePass(const std::vector<std::string>& keys) override { return log("remove", keys); }
    bool addPass(const std::vector<std::string>& keys) override { return log("add", keys); }
    bool retitlePass(const std::vector<std::string>& keys) override { return log("retitle", keys); }
    bool writeNewSite() override { return true; }
    bool log(const std::string& pass, const std::vector<std::string>& keys) {
        std::string line = pass;
        for (const auto& k : keys) line += " " + k;
        calls.push_back(line);
        return true;
    }
    std::vector<std::string> calls;
};

struct MaintenanceWorld : camera::test::LoaderWorld {
    MaintenanceWorld() {
        ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        settings_.set(app::setting::CopyImage, 0);
    }

    /// Loads pictures dated on the given days (YYYY, MM, DD) into the library,
    /// count per day; returns the library folders in the index.
    std::vector<std::string> libraries(const std::vector<std::pair<std::string, int>>& days) {
        int n = 1;
        for (const auto& [day, count] : days)
            for (int i = 0; i < count; ++i, ++n) {
                char name[32];
                std::snprintf(name, sizeof name, "DCIM/100TEST/ABCD%04d.JPG", n);
                put(name, picture(day.substr(0, 4) + ":" + day.substr(4, 2) + ":" + day.substr(6, 2) + " 10:00:00", n));
            }
        load({card_ + "/DCIM"});
        std::vector<std::string> folders;
        for (const auto& album : doc_.albums()) folders.push_back(album->folderPath);
        return folders;
    }

    /// The library, the program folder, the destinations and the settings:
    /// each file's kind, mode and time, and a hash of its bytes.
    std::map<std::string, std::size_t> everything() const {
        std::map<std::string, std::string> all = state();
        for (const auto& [k, v] : fingerprint(dir_ / "dest")) all["dest/" + k] = v;
        for (const auto& [k, v] : fingerprint(otherFs_)) all["other/" + k] = v;
        for (const auto& [k, v] : fingerprint(dir_ / "data")) all["trash/" + k] = v;
        const auto conf = lumbrel::test::readBytes(dir_ / "Lumbrel.conf");
        all["conf"] = std::string(conf.begin(), conf.end());
        std::map<std::string, std::size_t> hashed;
        for (const auto& [k, v] : all) hashed[k] = std::hash<std::string>{}(v);
        return hashed;
    }

    std::string index() const { return dir_ / "prog/Lumbrel.kds"; }

    ScriptedPrompt ask_;
    RecordingSite pages_;
    camera::test::ScriptedProgress bar_;
    std::string otherFs_;  ///< a folder on another file system, when the test makes one
    MaintenanceContext c_{settings_, doc_, ask_, bar_, dir_ / "prog", dir_ / "prog/Lumbrel.kds", &pages_, nullptr};
};

}  // namespace lumbrel::maintenance::test
