#include "OrvCfg.h"

#include "KeyChange.h"

#include <new>
#include <stdexcept>

int OrvCfg::setKey(const String& key, String& value)
{
    if (m_Instance == nullptr)
        return ORVCFG_NO_INSTANCE;
    try {
        return m_Instance->instSetKey(key, value);
    } catch (const std::bad_alloc&) {
        return ORVCFG_OUT_OF_MEMORY;
    } catch (const std::length_error&) {
        return ORVCFG_OUT_OF_MEMORY;
    }
}

int OrvCfg::checkKey(const String& key, String& value)
{
    if (m_Instance == nullptr)
        return ORVCFG_NO_INSTANCE;
    try {
        return KeyChange(*m_Instance, key, value, KeyChange::CHECK_ONLY).run();
    } catch (const std::bad_alloc&) {
        return ORVCFG_OUT_OF_MEMORY;
    } catch (const std::length_error&) {
        return ORVCFG_OUT_OF_MEMORY;
    }
}

int OrvCfg::instSetKey(const String& key, String& value)
{
    return KeyChange(*this, key, value, KeyChange::WRITE).run();
}
