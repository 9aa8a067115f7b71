// A scripted host for tests: keeps the details text, records bars, boxes and window calls, answers boxes.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "base/host.h"
#include "base/product.h"
#include "base/text.h"

namespace pell::test {

struct ShownBox {
    int code;
    bool yesNo;
};

class TestHost : public Host {
public:
    std::wstring DetailsText() const override { return details; }
    std::size_t DetailsLength() const override { return details.size(); }
    void SetDetailsText(const std::wstring& text) override { details = text; }
    void AppendDetailsText(const std::wstring& text) override { details += text; }
    void SetDetailsCaret(std::size_t position) override { caret = position; }
    void SetProg1(double value) override { prog1.push_back(value); ++events; }
    void SetProg2(double value) override { prog2.push_back(value); ++events; }
    void DoEvents() override { ++events; }
    int MsgBox(int code, bool yesNo) override {
        boxes.push_back(ShownBox{code, yesNo});
        if (!answers.empty()) {
            int a = answers.front();
            answers.pop_front();
            return a;
        }
        return yesNo ? answer::No : answer::Ok;
    }
    std::wstring Caption() const override { return caption; }
    void SetTerm(bool t) override { term = t; termCalls.push_back(t); }
    void EnableGUI() override { ++enableGuiCalls; }
    void EndProgram() override { ended = true; }

    // The details text split at CR LF (the first line is whatever precedes the first break).
    std::vector<std::wstring> Lines() const { return SplitAtCrLf(details); }

    std::wstring details;
    std::size_t caret = 0;
    std::vector<double> prog1, prog2;
    std::size_t events = 0;
    std::vector<ShownBox> boxes;
    std::deque<int> answers;  // answers for the next boxes, in order
    std::wstring caption = MainCaption();
    bool term = false;
    std::vector<bool> termCalls;
    int enableGuiCalls = 0;
    bool ended = false;
};

}  // namespace pell::test
