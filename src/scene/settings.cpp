#include "qx/scene/settings.h"

unsigned int& QxUndoSize() {
    static unsigned int value = 50;
    return value;
}

int& QxFloatDecimal() {
    static int value = 1;
    return value;
}

unsigned long& QxGridColor() {
    static unsigned long value = 0xFF555555;
    return value;
}

float& QxZoomRate() {
    static float value = 1.1f;
    return value;
}

unsigned int& QxGraphPickSize() {
    static unsigned int value = 3;
    return value;
}

unsigned int& QxGraphTangentSize() {
    static unsigned int value = 30;
    return value;
}

unsigned long& QxJointColor() {
    static unsigned long value = 0xFF00FFFF;
    return value;
}

float& QxWeightDropoff() {
    static float value = 10.0f;
    return value;
}

QX_PAINT_MODE& QxWeightPaintMode() {
    static QX_PAINT_MODE value = QX_PAINT_REPLACE;
    return value;
}

QX_STROKE_TYPE& QxWeightPaintStroke() {
    static QX_STROKE_TYPE value = QX_STROKE_SOFT;
    return value;
}

QX_SIZE_TYPE& QxWeightPaintSize() {
    static QX_SIZE_TYPE value = QX_SIZE_LARGE;
    return value;
}

float& QxWeightPaintDepth() {
    static float value = 1.0f;
    return value;
}

float& QxWeightPaintOpacity() {
    static float value = 0.2f;
    return value;
}

int& QxExtrudeFacesTogether() {
    static int value = 1;
    return value;
}

int& QxXFileLeftHand() {
    static int value = 1;
    return value;
}

float& QxXFileKeyStep() {
    static float value = 1.0f;
    return value;
}
