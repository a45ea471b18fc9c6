#include "qx/graphics/settings.h"

unsigned long& QxSelectColor() {
    static unsigned long value = 0xFFFF4000;
    return value;
}

unsigned long& QxSelectUVColor() {
    static unsigned long value = 0xFFFF4000;
    return value;
}

unsigned long& QxNormalColor() {
    static unsigned long value = 0xFF000000;
    return value;
}

unsigned long& QxNormalUVColor() {
    static unsigned long value = 0xFF808080;
    return value;
}

unsigned long& QxIKColor() {
    static unsigned long value = 0xFFFFFF00;
    return value;
}

float& QxPickSize() {
    static float value = 4.0f;
    return value;
}
