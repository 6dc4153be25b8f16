// A component that draws the pattern of a given encoder with the drawing
// rules of the symbology it is drawn as: for encoders that no BarType
// selects yet, and for geometry a symbology's layout prescribes.
#pragma once

#include "BarImage.h"

class TEncoderImage : public TBarImage
{
public:
    TEncoderImage(TEncoder encoder, TBarTypes drawnAs) : m_encoder(encoder) { setBarType(drawnAs); }

protected:
    TEncodeResult RunEncoder(const TEncodeInput &in) override { return m_encoder(in); }

private:
    TEncoder m_encoder;
};
