// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// libFuzzer driver for the field model: random sequences of typing, clipboard, undo,
// programmatic writes and property changes on an exponent-capable field, with the field's
// invariants checked after every step. A broken invariant aborts with a message.

#include "engine/asciitext.h"
#include "engine/calcerror.h"
#include "engine/realtext.h"
#include "numedit/SaNumEditExCXModel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

void Fail(const char* what, const TSaNumEditModel& e)
{
    std::fprintf(stderr,
                 "invariant broken: %s\n  ValueText '%s'\n  ImageText '%s'\n  SelLength %d\n", what,
                 e.ValueText().c_str(), e.ImageText().c_str(), e.SelLength());
    std::abort();
}

void Check(bool ok, const char* what, const TSaNumEditModel& e)
{
    if (!ok)
        Fail(what, e);
}

// A window that asks the model for its layout whenever it is told to repaint or to place
// the caret, as the widget does, possibly in the middle of an operation.
class TFuzzHost : public TSaNumEditHost {
public:
    TSize ClientSize() const override { return Client; }
    void RequestRepaint() override { Touch(); }
    void PlaceCaret() override { Touch(); }

    const TSaNumEditModel* Model = nullptr;
    TSize Client {117, 16};
    long Sink = 0;

private:
    void Touch()
    {
        if (Model == nullptr)
            return;
        Sink += Model->ValueRect().Left + Model->CaretPoint().X + Model->LeftMarkRect().Right
            + Model->RightMarkRect().Left + Model->TextBlockRect().Right;
    }
};

void CheckValueText(const TSaNumEditExCXModel& e)
{
    const std::string& v = e.ValueText();
    std::size_t i = 0;
    if (i < v.size() && v[i] == '-')
        ++i;
    Check(i == 0 || e.Minus(), "minus with Minus off", e);
    std::size_t intDigits = 0;
    while (i < v.size() && IsAsciiDigit(v[i])) {
        ++i;
        ++intDigits;
    }
    std::size_t fracDigits = 0;
    if (i < v.size() && v[i] == '.') {
        Check(e.DecimalLength() > 0, "point with DecimalLength 0", e);
        ++i;
        while (i < v.size() && IsAsciiDigit(v[i])) {
            ++i;
            ++fracDigits;
        }
    }
    Check(i == v.size(), "ValueText is not -?[0-9]*(.[0-9]*)?", e);
    // NormalizeText may put a "0" before a point; that zero is the only integer digit a
    // field with IntegerLength 0 can show.
    const bool normalisingZero = intDigits == 1 && v.find("0") == (v[0] == '-' ? 1U : 0U)
        && e.IntegerLength() == 0;
    Check(intDigits <= static_cast<std::size_t>(e.IntegerLength()) || normalisingZero,
          "too many integer digits", e);
    Check(fracDigits <= static_cast<std::size_t>(e.DecimalLength()), "too many decimals", e);
    Check(NormalizeText(v) == v, "ValueText not normalised", e);
}

// The value of the last SetValue, which GetValue gives in full while the text stays as shown.
struct TWritten {
    TReal Value = 0;
    bool Valid = false;
};

void CheckInvariants(const TSaNumEditExCXModel& e, const TWritten& written)
{
    CheckValueText(e);
    Check(e.ImageText() == e.MakeImage(e.ValueText()), "ImageText != MakeImage(ValueText)", e);
    Check(e.SelLength() == 0 || e.SelLength() == static_cast<int>(e.ImageText().size()),
          "partial selection", e);
    Check(e.ValueRect().Right - e.ValueRect().Left == e.TextWidth(e.FormatValue(e.ValueText())),
          "ValueRect width", e);
    // GetValue fails exactly when there is no digit, and otherwise gives the written value
    // while the field keeps it, else the plain value.
    const bool hasDigit = e.ValueText().find_first_of("0123456789") != std::string::npos;
    Check(!e.KeepsFullValue() || (written.Valid && hasDigit), "full value without a number", e);
    try {
        const TReal value = e.GetValue();
        Check(hasDigit, "GetValue read a field without digits", e);
        const auto plain = e.KeepsFullValue()
            ? std::optional(written.Value == 0 ? 0 : written.Value)
            : TextToReal(e.ValueText());
        Check(plain.has_value() && *plain == value, "GetValue differs from the value held", e);
    } catch (const TCalcError&) {
        Check(!hasDigit, "GetValue refused a number", e);
    }
}

std::string SomeText(FuzzedDataProvider& in)
{
    // Mostly number-like texts, so that the rules past the first character get exercised.
    static constexpr const char* Pieces[] = {"0",
                                             "1",
                                             "9",
                                             ".",
                                             "-",
                                             ",",
                                             "e",
                                             "E",
                                             "+",
                                             "e-",
                                             "00",
                                             "123456789",
                                             " ",
                                             "x",
                                             "\xEF\xBC\x91",
                                             "\xEF\xBC\x8E",
                                             "\xEF\xBC\x8C",
                                             "\xEF\xBC\x8D",
                                             "\xEF\xBC",
                                             "\xC2\xB5"};
    std::string s;
    const int parts = in.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < parts; ++i) {
        if (in.ConsumeBool())
            s += Pieces[in.ConsumeIntegralInRange<std::size_t>(0, std::size(Pieces) - 1)];
        else
            s += in.ConsumeRandomLengthString(8);
    }
    return s;
}

void ChangeProperty(FuzzedDataProvider& in, TSaNumEditExCXModel& e, TFuzzHost& host)
{
    switch (in.ConsumeIntegralInRange(0, 17)) {
    case 0:
        e.SetIntegerLength(in.ConsumeIntegralInRange(-1, 30));
        break;
    case 1:
        e.SetDecimalLength(in.ConsumeIntegralInRange(-1, 12));
        break;
    case 2:
        e.SetMinus(in.ConsumeBool());
        break;
    case 3:
        e.SetComma(in.ConsumeBool());
        break;
    case 4:
        e.SetDecimalFixed(in.ConsumeBool());
        break;
    case 5:
        e.SetIntegerFixed(in.ConsumeBool());
        break;
    case 6:
        e.SetLeftMark(in.ConsumeRandomLengthString(6));
        break;
    case 7:
        e.SetRightMark(in.ConsumeRandomLengthString(6));
        break;
    case 8:
        e.SetOptions(TSaNumEditOptions::FromBits(in.ConsumeIntegral<std::uint8_t>()));
        break;
    case 9:
        e.SetReadOnly(in.ConsumeBool());
        break;
    case 10:
        e.SetImageCopy(in.ConsumeBool());
        break;
    case 11:
        e.SetCanExponent(in.ConsumeBool());
        break;
    case 12:
        e.SetBorderStyle(in.ConsumeBool() ? TBorderStyle::bsSingle : TBorderStyle::bsNone);
        break;
    case 13:
        e.SetLeftMargin(in.ConsumeIntegralInRange(-1, 20));
        break;
    case 14:
        e.SetRightMargin(in.ConsumeIntegralInRange(-1, 20));
        break;
    case 15:
        e.SetAlignment(static_cast<TAlignment>(in.ConsumeIntegralInRange(0, 2)));
        break;
    case 16:
        e.SetVertAlignment(static_cast<TVertAlignment>(in.ConsumeIntegralInRange(0, 2)));
        break;
    default:
        host.Client = {in.ConsumeIntegralInRange(0, 400), in.ConsumeIntegralInRange(0, 60)};
        break;
    }
}

void Step(FuzzedDataProvider& in, TSaNumEditExCXModel& e, TFuzzHost& host,
          TSaNumEditMemoryClipboard& clip, TWritten& written)
{
    switch (in.ConsumeIntegralInRange(0, 15)) {
    case 0:
    case 1:
        e.InputDigit(static_cast<char>('0' + in.ConsumeIntegralInRange(0, 9)));
        break;
    case 2:
        e.InputDigit(in.ConsumeIntegral<char>());
        break;
    case 3:
        e.InputPoint();
        break;
    case 4:
        e.InputMinus();
        break;
    case 5:
        e.DeleteLastChar();
        break;
    case 6:
        e.ClearText();
        break;
    case 7:
        e.CopyText();
        break;
    case 8:
        e.CutText();
        break;
    case 9:
        if (in.ConsumeBool())
            clip.SetText(SomeText(in));
        e.PasteText();
        break;
    case 10:
        e.Undo();
        break;
    case 11:
        in.ConsumeBool() ? e.SelectAll() : e.Deselect();
        break;
    case 12:
        e.SetText(SomeText(in));
        break;
    case 13: {
        const auto value = TextToReal(SomeText(in));
        written.Value = value ? *value : static_cast<TReal>(in.ConsumeFloatingPoint<double>());
        written.Valid = true;
        e.SetValue(written.Value);
        return;
    }
    case 14:
        e.DropLoneMinus();
        break;
    default:
        ChangeProperty(in, e, host);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    TFuzzHost host;
    TSaNumEditMemoryClipboard clip;
    TSaNumEditExCXModel edit(&host, &clip);
    host.Model = &edit;
    int changes = 0;
    edit.OnChange = [&changes](TSaNumEditModel&) { ++changes; };
    if (in.ConsumeBool())
        edit.SetDecimalLength(8); // as the main window's fields
    TWritten written;
    for (int steps = 0; steps < 200 && in.remaining_bytes() > 0; ++steps) {
        const std::string before = edit.ValueText();
        const std::uint64_t revision = edit.TextRevision();
        Step(in, edit, host, clip, written);
        // Only SetValue may leave a changed text still holding a full value.
        Check(edit.ValueText() == before || edit.TextRevision() != revision,
              "text changed without a new revision", edit);
        CheckInvariants(edit, written);
    }
    return 0;
}
