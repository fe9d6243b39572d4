#pragma once
// One object of type T per key for the life of the process, made on first use; safe from any
// thread. For what several short-lived users of one server must share.
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace syncing {

template <typename T>
std::shared_ptr<T> shared_by_key(const std::string& key) {
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<T>> objects;
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<T>& object = objects[key];
    if (!object) object = std::make_shared<T>();
    return object;
}

}  // namespace syncing
