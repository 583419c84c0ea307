#pragma once
#include "flatwidgets/FlatBackgroundGUI.hpp"
#include "graphics/OwnedImage.hpp"
#include "graphics/Pixels.hpp"

#include <memory>

namespace vf {

class Client;
class Font;
class UIFilmstripKnob;
class UIImageSwitch;
class UIParamLabel;
class UIWindowResizer;

// The plug-in's editor: a portrait panel with four knobs and their value labels,
// two switches and a resize grip.  Every control follows its parameter through
// the parameter's notifications; nothing else flows from the audio side.
class VelmorinFreeGUI : public FlatBackgroundGUI {
public:
    static constexpr int defaultWidth = 365;
    static constexpr int defaultHeight = 650;
    static constexpr int numFrames = 101;
    static constexpr RGBA textColor{155, 180, 198, 255};
    // The panel's tone at mid-height: what a host area larger than the panel shows
    // around it, so that the room reads as more panel rather than a hole.
    static constexpr RGBA panelColor{36, 40, 48, 255};

    // Host UI thread.  The client is not owned and outlives the editor; the
    // controls take their parameters from its parameter array by index.
    explicit VelmorinFreeGUI(Client& client);
    // Host UI thread; closes the window first so that no draw runs on a half-destroyed editor.
    ~VelmorinFreeGUI() override;

    // Event or UI thread: places the children for the current size.
    void reflow() override;

    // Accessors for tests and benchmarks.
    UIFilmstripKnob* inputKnob() const { return inputKnob_; }
    UIFilmstripKnob* outputKnob() const { return outputKnob_; }
    UIFilmstripKnob* lowBandKnob() const { return lowBandKnob_; }
    UIFilmstripKnob* highBandKnob() const { return highBandKnob_; }
    UIParamLabel* inputLabel() const { return inputLabel_; }
    UIParamLabel* outputLabel() const { return outputLabel_; }
    UIParamLabel* lowBandLabel() const { return lowBandLabel_; }
    UIParamLabel* highBandLabel() const { return highBandLabel_; }
    UIImageSwitch* edgeSwitch() const { return edgeSwitch_; }
    UIImageSwitch* brillianceSwitch() const { return brillianceSwitch_; }
    UIWindowResizer* resizeGrip() const { return resizeGrip_; }

private:
    Client& client_;
    std::unique_ptr<Font> font_;
    std::unique_ptr<OwnedImage<RGBA>> bottomKnobFirst_;
    std::unique_ptr<OwnedImage<RGBA>> bottomKnobSecond_;
    std::unique_ptr<OwnedImage<RGBA>> topKnob_;
    std::unique_ptr<OwnedImage<RGBA>> switchOn_;
    std::unique_ptr<OwnedImage<RGBA>> switchOff_;

    // Owned by the element tree.
    UIFilmstripKnob* inputKnob_ = nullptr;
    UIFilmstripKnob* outputKnob_ = nullptr;
    UIParamLabel* inputLabel_ = nullptr;
    UIParamLabel* outputLabel_ = nullptr;
    UIFilmstripKnob* lowBandKnob_ = nullptr;
    UIParamLabel* lowBandLabel_ = nullptr;
    UIFilmstripKnob* highBandKnob_ = nullptr;
    UIParamLabel* highBandLabel_ = nullptr;
    UIImageSwitch* edgeSwitch_ = nullptr;
    UIImageSwitch* brillianceSwitch_ = nullptr;
    UIWindowResizer* resizeGrip_ = nullptr;
};

} // namespace vf
