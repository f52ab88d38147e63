#pragma once

// The live handles of the process. A handle is the address of its object, which is
// never null and never INVALID_HANDLE_VALUE; lookups hand out shared ownership, so an
// object stays valid for a call even while another thread closes its handle.

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/linux/CKernelObject.h"
#include "platform/linux/Kernel32Linux.h"

class CHandleTable
{
public:
    static CHandleTable& Instance();

    HANDLE Insert(std::shared_ptr<CKernelObject> object);

    // The object of `handle` if it is live and of kind T, else null.
    template <class T> std::shared_ptr<T> Find(HANDLE handle)
    {
        return std::dynamic_pointer_cast<T>(FindObject(handle));
    }

    // Takes `handle` out of the table if it is live and of kind T; null otherwise.
    template <class T> std::shared_ptr<T> Remove(HANDLE handle)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_objects.find(handle);
        if (it == m_objects.end())
            return nullptr;
        std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(it->second);
        if (object)
            m_objects.erase(it);
        return object;
    }

private:
    std::shared_ptr<CKernelObject> FindObject(HANDLE handle);

    std::mutex m_mutex;
    std::unordered_map<HANDLE, std::shared_ptr<CKernelObject>> m_objects;
};
