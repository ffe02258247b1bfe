#include "Unit2.h"

TForm2* Form2 = nullptr;

TForm2::TForm2() {
    LoadLayout(QStringLiteral(":/layouts/Form2"));
}

TForm2::~TForm2() {
    if (Form2 == this) {
        Form2 = nullptr;
    }
}
