#include "peer/client/PublicFolderChoice.h"

#include "model/PublicListState.h"
#include "model/WindowModel.h"
#include "services/Services.h"

namespace qv {

bool runPublicFolderDialog(Services& services, PublicFolderMode mode,
                           std::vector<std::string>& list) {
    PublicFolderModel model(mode, list, services.publicLists.sortState());
    // A received list lives on in the items: the caller's copy goes.
    if (mode == PublicFolderMode::ReceivedList) std::vector<std::string>().swap(list);
    // The model has read the list. "ＯＫ" empties it and writes back only non-empty
    // lines, so an empty entry put at its end now is still in its place exactly when
    // the dialog was closed some other way (folders added in mode 0 come after it).
    const std::size_t marker = list.size();
    list.emplace_back();
    services.window.view()->publicFolderDialog(model);
    bool cancelled = list.size() > marker && list[marker].empty();
    if (cancelled) list.erase(list.begin() + static_cast<std::ptrdiff_t>(marker));
    return !cancelled;
}

}  // namespace qv
