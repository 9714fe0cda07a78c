#include "platform/ComError.h"

_com_error::_com_error(HRESULT hr, const char* message) : m_hr(hr) {
    if (message && *message)
        m_strMessage = message;
    else
        m_strMessage.Format("COM error 0x%08X", static_cast<unsigned>(hr));
}
