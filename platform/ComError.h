// The COM support library's error exception: the failing result code.
#pragma once

#include <cstdint>
#include <exception>

#include "platform/CString.h"
#include "platform/Export.h"

typedef int32_t HRESULT;
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000Eu)
#define E_FAIL static_cast<HRESULT>(0x80004005u)

class HWPLATFORM_API _com_error : public std::exception {
public:
    explicit _com_error(HRESULT hr, const char* message = nullptr);
    HRESULT Error() const { return m_hr; }
    const char* what() const noexcept override { return m_strMessage.GetString(); }

private:
    HRESULT m_hr;
    CString m_strMessage;
};
