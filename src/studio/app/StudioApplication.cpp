#include "studio/app/StudioApplication.h"

#include "studio/formats/RenderDocument.h"
#include "studio/app/StudioMenus.h"
#include "platform/CaptureImage.h"
#include "text/CodePage.h"

#include <exception>
#include <optional>

using vantrel::studio::formats::RenderDocument;
using vantrel::studio::render::CRenderedDocument;

using vantrel::platform::CCaptureImage;

namespace vantrel::studio::app {

namespace {
// The title an editor gives a document window: its file name, the zoom and the colour mode.
std::string DocumentWindowTitle(const std::string& codePagePath, const std::string& modeName)
{
    return text::LastPathComponent(codePagePath) + " @ 100% (" + modeName + ")";
}

void ShowAllPalettes(std::map<Palette, bool>& palettes)
{
    for (Palette p : {Palette::Tools, Palette::Layers, Palette::Color, Palette::Navigator})
        palettes[p] = true;
}
// Whether a path names an entry below the folder as written, with no ".." that could climb out
// of it and no link inside it leading out: only such documents are the folder's to keep.
bool FolderHolds(platform::IFiles& files, const std::string& folder, const std::string& path)
{
    if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    std::string rest = path.substr(folder.size());
    const auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
    if (!isSeparator(folder.back()) && !isSeparator(rest.front())) return false;
    // A trail byte that reads as a separator only makes a document uncached, never wrongly kept.
    for (char& c : rest)
        if (c == '\\') c = '/';
    if (("/" + rest + "/").find("/../") != std::string::npos) return false;
    return !files.PassesLinkOutOf(folder, path);
}

}  // namespace

CStudioApplication::CStudioApplication(IWindowHost& host, platform::IFiles& files) : host_(host), files_(files)
{
    ShowAllPalettes(palettes_);
    mainWindow_ = host_.AddWindow(0, kMainWindowTitle);
    host_.SetMenuBar(mainWindow_, StudioMenuBar());
    host_.SetSolidContent(mainWindow_, 128, 128, 128);
    // Like an MDI client: document windows are grandchildren of the main window.
    documentArea_ = host_.AddWindow(mainWindow_, "");
    host_.SetSolidContent(documentArea_, 128, 128, 128);
}

std::shared_ptr<CStudioApplication> CStudioApplication::Start(IWindowHost& host, platform::IFiles& files)
{
    std::shared_ptr<CStudioApplication> app(new CStudioApplication(host, files));
    std::weak_ptr<CStudioApplication> weak = app;
    host.SetCommandHandler(app->mainWindow_, [weak](std::uint32_t id) {
        if (auto alive = weak.lock())
            alive->HandleCommand(id);
    });
    return app;
}

int CStudioApplication::OpenDocument(const std::string& codePagePath, std::string& reason)
{
    if (!running_) {
        reason = "the studio has ended";
        return 0;
    }
    const std::optional<std::string> fileSystemPath = files_.ResolvePath(codePagePath);
    if (!fileSystemPath) {
        reason = "no such file";
        return 0;
    }
    const std::shared_ptr<const CRenderedDocument> rendered = Render(codePagePath, *fileSystemPath, reason);
    if (!rendered)
        return 0;
    if (drawingGaps_ && !rendered->skippedLayerFeatures.empty()) drawingGaps_(codePagePath, rendered->skippedLayerFeatures);

    const platform::WindowHandle window = host_.AddWindow(
        documentArea_, DocumentWindowTitle(codePagePath, rendered->modeName), platform::WindowRole::Document);
    host_.SetContent(window, rendered->previewWidth, rendered->previewHeight, rendered->previewRgb);
    const int document = nextDocument_++;
    documents_[document] = window;
    return document;
}

std::shared_ptr<const CRenderedDocument> CStudioApplication::Render(const std::string& codePagePath,
                                                                     const std::string& fileSystemPath,
                                                                     std::string& reason)
{
    std::optional<platform::CFileIdentity> identity;
    if (renderCache_ && FolderHolds(files_, renderCache_->Folder(), codePagePath))
        identity = files_.IdentifyFile(fileSystemPath);
    if (identity)
        if (auto kept = renderCache_->Find(*identity))
            return kept;
    std::shared_ptr<const CRenderedDocument> rendered;
    try {
        rendered = RenderDocument(fileSystemPath, CCaptureImage::kWidth, CCaptureImage::kHeight, reason);
    } catch (const std::exception& e) {
        reason = e.what();
        return nullptr;
    }
    // A file that changed while it was read may show neither version: such a render is not kept.
    if (rendered && identity && files_.IdentifyFile(fileSystemPath) == identity)
        renderCache_->Keep(*identity, rendered);
    return rendered;
}

bool CStudioApplication::CloseDocument(int document)
{
    auto it = documents_.find(document);
    if (it == documents_.end())
        return false;
    host_.RemoveWindow(it->second);
    documents_.erase(it);
    return true;
}

platform::WindowHandle CStudioApplication::DocumentWindow(int document) const
{
    auto it = documents_.find(document);
    return it == documents_.end() ? 0 : it->second;
}

void CStudioApplication::CloseAllDocuments()
{
    for (const auto& [document, window] : documents_)
        host_.RemoveWindow(window);
    documents_.clear();
}

void CStudioApplication::Quit()
{
    if (!running_)
        return;
    running_ = false;
    documents_.clear();
    host_.RemoveWindow(mainWindow_);  // takes the document windows with it
    mainWindow_ = 0;
    documentArea_ = 0;
}

void CStudioApplication::HandleCommand(std::uint32_t commandId)
{
    commands_.push_back(commandId);
    switch (commandId) {
    case command::kHideTools: palettes_[Palette::Tools] = false; break;
    case command::kShowLayers: palettes_[Palette::Layers] = true; break;
    case command::kShowColor: palettes_[Palette::Color] = true; break;
    case command::kHideNavigator: palettes_[Palette::Navigator] = false; break;
    case command::kCloseAll: CloseAllDocuments(); break;
    case command::kExit: Quit(); break;
    default: break;  // recorded only
    }
}

}  // namespace vantrel::studio::app
