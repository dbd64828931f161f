#pragma once
// What the start-up and the library flows ask of other parts of the program.
// Each is an interface so that the front ends and the tests plug in their own:
//   SitePages        the program's web site (calendar, month and start pages)
//   TemplateFinder   the template plug-ins in the Plugins folder
//   AutomaticLoader  a load asked for by the watcher's request file
//   WaitWindow       a window that says a step cannot be interrupted
//   Prompt           a Yes/No question put to the user
//   RunFinisher      the pages of a run that was stopped after its commit point
// Until those parts are built, a null pointer stands for "not there": the
// steps that need them are skipped (see Application).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::app {

class SitePages {
public:
    virtual ~SitePages() = default;
    /// Removes the listed libraries' rows from their month pages.
    virtual bool removePass(const std::vector<std::string>& keys) = 0;
    /// Adds the listed libraries' rows to their month pages and the calendar.
    virtual bool addPass(const std::vector<std::string>& keys) = 0;
    /// Writes an empty site: frameset, start page, calendar.
    virtual bool writeNewSite() = 0;
};

struct TemplateChoice {
    std::string title;       ///< the template type's title
    int number = 0;          ///< its number within the plug-in
    std::string pluginFile;  ///< the plug-in's file name
};

class TemplateFinder {
public:
    virtual ~TemplateFinder() = default;
    /// The template whose title comes first alphabetically over all plug-ins in
    /// pluginsFolder; nullopt when there is none.
    virtual std::optional<TemplateChoice> firstTemplate(const std::string& pluginsFolder) = 0;
};

class AutomaticLoader {
public:
    virtual ~AutomaticLoader() = default;
    /// Runs the automatic load that requestFile asks for; false on failure.
    virtual bool load(const std::string& requestFile) = 0;
};

class WaitWindow {
public:
    virtual ~WaitWindow() = default;
    virtual void show(std::string_view title, std::string_view line1, std::string_view line2) = 0;
    virtual void close() = 0;
};

struct InterruptedRun;

class RunFinisher {
public:
    virtual ~RunFinisher() = default;
    /// Writes the pages (and the sizes after them) that a run stopped after
    /// its commit point had still to write; the document is open.
    virtual void finishPages(const InterruptedRun& run) = 0;
};

class Prompt {
public:
    virtual ~Prompt() = default;
    /// Yes/No question by string number and text; true = Yes.
    virtual bool askYesNo(int stringId, std::string_view text) = 0;
};

}  // namespace lumbrel::app
