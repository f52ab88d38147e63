#include "platform/linux/CHandleTable.h"

CHandleTable& CHandleTable::Instance()
{
    // Never destroyed: handles may still be closed by other objects' destructors at exit.
    static CHandleTable* s_pTable = new CHandleTable;
    return *s_pTable;
}

HANDLE CHandleTable::Insert(std::shared_ptr<CKernelObject> object)
{
    HANDLE handle = object.get();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<CKernelObject> CHandleTable::FindObject(HANDLE handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_objects.find(handle);
    return it == m_objects.end() ? nullptr : it->second;
}
