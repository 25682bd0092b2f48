#pragma once

// The binding of the controller's dialogs to their objects: the pointer
// lives in the dialog's user-data slot, and the procedure only finds the
// object and forwards.

#include <windows.h>

#include <new>

class DialogObject {
public:
    // TRUE from the dialog procedure when the message was handled.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
    {
        (void)message; (void)wParam; (void)lParam;
        return false;
    }

protected:
    DialogObject() = default;
    ~DialogObject() = default;   // each procedure deletes its concrete class
};

inline DialogObject* DialogObjectOf(HWND dialog)
{
    return reinterpret_cast<DialogObject*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Sets the answer of a notification (the dialog's message-result slot).
inline void SetDialogResult(HWND dialog, LONG_PTR result)
{
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
}

// T is constructed from (dialog, WM_INITDIALOG's lParam). With
// kClearSlotFirst false the object is destroyed while the slot still points
// to it: the tree page's destruction deletes tree items whose notifications
// come back through this procedure.
template <typename T, bool kClearSlotFirst>
INT_PTR CALLBACK DialogObjectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        T* object = new (std::nothrow) T(dialog, lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(static_cast<DialogObject*>(object)));
        return TRUE;
    }
    DialogObject* object = DialogObjectOf(dialog);
    if (message == WM_DESTROY) {
        if (!object)
            return FALSE;
        if (kClearSlotFirst)
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
        delete static_cast<T*>(object);
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        return TRUE;
    }
    return object && object->HandleMessage(message, wParam, lParam) ? TRUE : FALSE;
}
