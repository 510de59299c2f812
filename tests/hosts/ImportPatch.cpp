#include "ImportPatch.h"

#ifdef _WIN32
#include <cstring>

namespace {

// The import table entry of the function, or null.
void** FindImportSlot(const char* szDll, const char* szFunction)
{
    auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* const nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return nullptr;
    for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), szDll) != 0)
            continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), szFunction) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

void WriteSlot(void** pSlot, void* pValue)
{
    DWORD oldProtect = 0;
    VirtualProtect(pSlot, sizeof *pSlot, PAGE_READWRITE, &oldProtect);
    *pSlot = pValue;
    VirtualProtect(pSlot, sizeof *pSlot, oldProtect, &oldProtect);
}

} // namespace

CImportPatch::CImportPatch(const char* szDll, const char* szFunction, void* pStandIn)
    : m_pSlot(FindImportSlot(szDll, szFunction))
{
    if (!m_pSlot)
        return;
    m_pOriginal = *m_pSlot;
    WriteSlot(m_pSlot, pStandIn);
}

CImportPatch::~CImportPatch()
{
    if (m_pSlot)
        WriteSlot(m_pSlot, m_pOriginal);
}
#endif
