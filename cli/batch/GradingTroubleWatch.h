#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vantrel::cli::batch {

// Watches one grading inside a worker for what makes its mark untrustworthy: an allocation
// refused (the worker's memory cap, or the machine's), or a message box, which grading raises
// only when something went wrong that the mark cannot show, such as an editor that did not
// start or a comparison without memory. Grading turns such a failure into a low score without
// a word; a batch must give no mark instead. One watch at a time, on the grading thread.
class CGradingTroubleWatch {
public:
    CGradingTroubleWatch();
    ~CGradingTroubleWatch();
    CGradingTroubleWatch(const CGradingTroubleWatch&) = delete;
    CGradingTroubleWatch& operator=(const CGradingTroubleWatch&) = delete;

    // What went wrong since the watch began, in one line; nullopt when nothing did.
    std::optional<std::string> Trouble() const;

private:
    // The active platform with its message box replaced by a record: nobody reads a worker's
    // standard error, and the message is the examinee's reason for having no mark.
    class CRecordingPlatform : public platform::IPlatform, private platform::IMessageBox {
    public:
        explicit CRecordingPlatform(platform::IPlatform& inner) : inner_(inner) {}
        platform::IRegistry& Registry() override { return inner_.Registry(); }
        platform::ILauncher& Launcher() override { return inner_.Launcher(); }
        platform::IAutomation& Automation() override { return inner_.Automation(); }
        platform::IDesktop& Desktop() override { return inner_.Desktop(); }
        platform::IClock& Clock() override { return inner_.Clock(); }
        platform::IMessageBox& MessageBox() override { return *this; }
        platform::IFiles& Files() override { return inner_.Files(); }
        const std::optional<std::string>& FirstMessage() const { return first_; }

    private:
        void Show(const std::string& utf8Text) override;
        platform::IPlatform& inner_;
        std::optional<std::string> first_;
    };

    CRecordingPlatform platform_;
    platform::IPlatform* replaced_;
    void (*replacedHandler_)();
};

}  // namespace vantrel::cli::batch
