#pragma once
// A prompt with scripted answers that records what it was asked, and a
// pipeline that records its calls.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/busy_flag.h"
#include "camera/camera_prompt.h"

namespace lumbrel::camera::test {

class ScriptedPrompt : public CameraPrompt {
public:
    bool confirmLoad(std::string_view caption, std::string_view text) override {
        calls.push_back("confirm:" + std::string(caption) + "|" + std::string(text));
        return confirm;
    }
    void showMessage(int stringId, std::string_view text) override {
        calls.push_back("message:" + std::to_string(stringId) + "|" + std::string(text));
    }
    std::optional<std::vector<std::size_t>> chooseFolders(const std::vector<std::string>& shown) override {
        calls.push_back("choose");
        offered = shown;
        return choice;
    }

    bool confirm = true;
    std::optional<std::vector<std::size_t>> choice = std::vector<std::size_t>{0};
    std::vector<std::string> calls;
    std::vector<std::string> offered;
};

struct RecordingPipeline {
    bool succeed = true;
    bool raise = false;  ///< throw instead of returning
    std::vector<std::vector<std::string>> calls;
    std::vector<std::string> captions;
    bool busyDuringLoad = false;

    Pipeline function() {
        return [this](const std::vector<std::string>& folders, std::string_view caption) {
            calls.push_back(folders);
            captions.emplace_back(caption);
            busyDuringLoad = app::isBusy();
            if (raise) throw std::runtime_error("disk full");
            return succeed;
        };
    }
};

}  // namespace lumbrel::camera::test
