#include "DialogTemplate.h"

const CDialogTemplate* FindDialogTemplate(UINT nID) {
    for (const CDialogTemplate& dialogTemplate : GetDialogTemplates()) {
        if (dialogTemplate.nID == nID) {
            return &dialogTemplate;
        }
    }
    return nullptr;
}
