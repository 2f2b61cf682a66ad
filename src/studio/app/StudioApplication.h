#pragma once

#include "platform/Platform.h"
#include "platform/WindowHost.h"
#include "studio/app/RenderCache.h"
#include "studio/render/RenderedDocument.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vantrel::studio::app {

using platform::IWindowHost;

enum class Palette { Tools, Layers, Color, Navigator };

// One running instance of the studio: a main window with its menu bar, an area that holds
// the document windows, and the documents it has open. Its windows live on whatever host it
// is given, and it knows nothing of who drives it.
class CStudioApplication {
public:
    static constexpr const char* kMainWindowTitle = "Studio - Photoshop Automation";

    // Shows the main window. The windows may outlive the instance, so they hold it weakly.
    // Paths name files the way the host's file system resolves them.
    static std::shared_ptr<CStudioApplication> Start(IWindowHost& host, platform::IFiles& files);
    CStudioApplication(const CStudioApplication&) = delete;
    CStudioApplication& operator=(const CStudioApplication&) = delete;

    bool IsRunning() const { return running_; }
    platform::WindowHandle MainWindow() const { return mainWindow_; }
    platform::WindowHandle DocumentArea() const { return documentArea_; }

    // Opens the document at a code-page path ("\" or "/" separators) in a window of its own.
    // Returns the document's number, or 0 with a one-line reason.
    int OpenDocument(const std::string& codePagePath, std::string& reason);
    // False when no such document is open.
    bool CloseDocument(int document);
    bool IsDocumentOpen(int document) const { return documents_.count(document) != 0; }
    platform::WindowHandle DocumentWindow(int document) const;
    std::size_t OpenDocumentCount() const { return documents_.size(); }

    // Closes every window; the instance is finished for good.
    void Quit();

    // Documents opened from the cache's folder from now on are rendered once per version of
    // the file; null renders every document every time.
    void UseRenderCache(std::shared_ptr<CRenderCache> cache) { renderCache_ = std::move(cache); }
    // Told of each document opened whose drawing left out what its layers use (the not-drawn
    // list of its render), so that a grade can say what the capture could not show.
    using DrawingGapSink = std::function<void(const std::string& codePagePath, const std::vector<std::string>& notDrawn)>;
    void ReportDrawingGapsTo(DrawingGapSink sink) { drawingGaps_ = std::move(sink); }

    void SetAppFlag(bool value) { appFlag_ = value; }
    bool AppFlag() const { return appFlag_; }

    // Every menu command the main window received, in order.
    const std::vector<std::uint32_t>& ReceivedCommands() const { return commands_; }
    bool IsPaletteVisible(Palette palette) const { return palettes_.at(palette); }

private:
    CStudioApplication(IWindowHost& host, platform::IFiles& files);
    void HandleCommand(std::uint32_t commandId);
    void CloseAllDocuments();
    std::shared_ptr<const render::CRenderedDocument> Render(const std::string& codePagePath,
                                                            const std::string& fileSystemPath, std::string& reason);

    IWindowHost& host_;
    platform::IFiles& files_;
    std::shared_ptr<CRenderCache> renderCache_;
    DrawingGapSink drawingGaps_;
    platform::WindowHandle mainWindow_ = 0;
    platform::WindowHandle documentArea_ = 0;
    std::map<int, platform::WindowHandle> documents_;
    int nextDocument_ = 1;
    bool running_ = true;
    bool appFlag_ = false;
    std::vector<std::uint32_t> commands_;
    std::map<Palette, bool> palettes_;
};

}  // namespace vantrel::studio::app
