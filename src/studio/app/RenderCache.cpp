#include "studio/app/RenderCache.h"

using vantrel::platform::CFileIdentity;
using vantrel::studio::render::CRenderedDocument;

namespace vantrel::studio::app {

CRenderCache::CRenderCache(std::string folder, std::size_t budgetBytes)
    : folder_(std::move(folder)), budget_(budgetBytes)
{
}

std::size_t CRenderCache::CostOf(const CRenderedDocument& document)
{
    std::size_t cost = sizeof document + document.previewRgb.capacity() + document.modeName.capacity();
    for (const std::string& feature : document.skippedLayerFeatures) cost += sizeof feature + feature.capacity();
    return cost;
}

std::shared_ptr<const CRenderedDocument> CRenderCache::Find(const CFileIdentity& identity)
{
    const auto found = index_.find(identity);
    if (found == index_.end()) return nullptr;
    recent_.splice(recent_.begin(), recent_, found->second);
    return found->second->second;
}

void CRenderCache::Keep(const CFileIdentity& identity, std::shared_ptr<const CRenderedDocument> document)
{
    if (!document) return;
    if (const auto found = index_.find(identity); found != index_.end()) Drop(found->second);
    const std::size_t cost = CostOf(*document);
    if (cost > budget_) return;
    while (bytes_ + cost > budget_) Drop(std::prev(recent_.end()));
    recent_.emplace_front(identity, std::move(document));
    index_.emplace(identity, recent_.begin());
    bytes_ += cost;
}

void CRenderCache::Drop(std::list<Entry>::iterator entry)
{
    bytes_ -= CostOf(*entry->second);
    index_.erase(entry->first);
    recent_.erase(entry);
}

}  // namespace vantrel::studio::app
