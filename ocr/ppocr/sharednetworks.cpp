#include "sharednetworks.h"

#include <map>

namespace {
std::mutex shelfLock;
std::map<std::string, std::weak_ptr<SharedNetworks::Network>> &shelf()
{
    static std::map<std::string, std::weak_ptr<SharedNetworks::Network>> networks;
    return networks;
}
} // namespace

std::shared_ptr<SharedNetworks::Network> SharedNetworks::get(const std::string &key,
                                                             const std::function<void(Network &)> &load)
{
    // Loading under the lock: a second engine asking for the same network waits for it rather
    // than loading a copy of its own. Models are read one at a time anyway (readOnnxModel).
    const std::lock_guard<std::mutex> lock(shelfLock);
    for (auto it = shelf().begin(); it != shelf().end();)
        it = it->second.expired() && it->first != key ? shelf().erase(it) : std::next(it);
    std::weak_ptr<Network> &slot = shelf()[key];
    if (std::shared_ptr<Network> held = slot.lock())
        return held;
    auto loaded = std::make_shared<Network>();
    load(*loaded);
    slot = loaded;
    return loaded;
}
