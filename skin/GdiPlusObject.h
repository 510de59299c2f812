#pragma once

// Owns a GDI+ object and frees it with the flat API's function for its kind.
template <typename Object, typename Free>
class CGdiPlusObject {
public:
    explicit CGdiPlusObject(Free pfnFree) noexcept : m_pfnFree(pfnFree) {}
    ~CGdiPlusObject()
    {
        if (m_pObject)
            m_pfnFree(m_pObject);
    }
    CGdiPlusObject(const CGdiPlusObject&) = delete;
    CGdiPlusObject& operator=(const CGdiPlusObject&) = delete;

    Object* Get() const noexcept { return m_pObject; }
    Object** Receive() noexcept { return &m_pObject; }

private:
    Free m_pfnFree;
    Object* m_pObject = nullptr;
};
