#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "studio/render/RenderedDocument.h"

namespace vantrel::studio::app {

// Renders of the documents in one folder, kept by file identity so that a document opened
// again unchanged is not decoded again, while a changed one (new size, time or file) is.
// Bounded by the bytes the renders hold; the least recently used go first.
class CRenderCache {
public:
    // A render is a 200 x 160 RGB preview, about 94 KiB: 32 MiB keeps some 340 of them, far
    // more documents than an answer key names, and little beside a worker's memory cap.
    static constexpr std::size_t kDefaultBudgetBytes = std::size_t{32} << 20;

    explicit CRenderCache(std::string folder, std::size_t budgetBytes = kDefaultBudgetBytes);
    CRenderCache(const CRenderCache&) = delete;
    CRenderCache& operator=(const CRenderCache&) = delete;

    // Only documents lying within this folder are kept.
    const std::string& Folder() const { return folder_; }

    // The render kept for this version of a file, or null.
    std::shared_ptr<const render::CRenderedDocument> Find(const platform::CFileIdentity& identity);
    // Keeps a render, dropping the least recently used until the budget holds; a render larger
    // than the whole budget is not kept.
    void Keep(const platform::CFileIdentity& identity, std::shared_ptr<const render::CRenderedDocument> document);

    std::size_t Count() const { return index_.size(); }
    std::size_t Bytes() const { return bytes_; }

private:
    using Entry = std::pair<platform::CFileIdentity, std::shared_ptr<const render::CRenderedDocument>>;

    static std::size_t CostOf(const render::CRenderedDocument& document);
    void Drop(std::list<Entry>::iterator entry);

    std::string folder_;
    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::list<Entry> recent_;  // most recently used first
    std::map<platform::CFileIdentity, std::list<Entry>::iterator> index_;
};

}  // namespace vantrel::studio::app
