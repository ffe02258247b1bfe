// The info dialog: created hidden at start-up and shown modeless by the address check window.
#pragma once

#include "Forms.h"

class TForm2 : public vx::TForm {
    Q_OBJECT
  public:
    TForm2();
    ~TForm2() override;
};

extern TForm2* Form2;
