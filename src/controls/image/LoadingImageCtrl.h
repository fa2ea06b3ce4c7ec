// CLoadingImageCtrl: the please-wait animation, "Images\Wait.gif" from the host's folder.
#pragma once

#include "controls/image/ImageCtrl.h"

class CLoadingImageCtrl : public CxImageCtrl
{
public:
    // Centred on the button face; plays at once when the file has several frames.
    void InitLoadingImage();
};
