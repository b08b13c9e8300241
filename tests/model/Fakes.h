// Fakes of the model's host, settings, pictures and view that record every
// call in order, so tests can check what was called and in which order.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "model/Random.h"

namespace fakes {

// One shared journal, so calls into the host and the view interleave in order.
using Journal = std::vector<std::string>;

class FakeHost : public IHost {
public:
    explicit FakeHost(Journal& journal) : m_journal(journal) {}

    int Rand() override
    {
        ++randCalls;
        if (!scriptedRand.empty()) {
            const int value = scriptedRand.front();
            scriptedRand.pop_front();
            return value;
        }
        return generator.Rand();
    }
    TimeSecs Now() override { return now; }
    void Beep() override { m_journal.push_back("Beep"); }
    int AskPlayerName(const std::string& achievement, std::string& name) override
    {
        m_journal.push_back("AskPlayerName " + achievement + " [" + name + "]");
        offeredNames.push_back(name);
        if (nameAnswer == IDOK)
            name = typedName;
        return nameAnswer;
    }

    TimeSecs now = 1798761600;  // 2027-01-01 00:00:00 UTC
    CRuntimeRandom generator;
    std::deque<int> scriptedRand;
    int randCalls = 0;
    int nameAnswer = IDCANCEL;
    std::string typedName;
    std::vector<std::string> offeredNames;

private:
    Journal& m_journal;
};

class FakeSettings : public ISettings {
public:
    explicit FakeSettings(Journal& journal) : m_journal(journal) {}

    int GetInt(const char* section, const char* key, int def) override
    {
        auto it = values.find(Key(section, key));
        return it == values.end() ? def : std::stoi(it->second);
    }
    std::string GetString(const char* section, const char* key, const char* def) override
    {
        auto it = values.find(Key(section, key));
        return it == values.end() ? std::string(def) : it->second;
    }
    void WriteString(const char* section, const char* key, const std::string& value) override
    {
        m_journal.push_back("Write " + Key(section, key) + "=" + value);
        values[Key(section, key)] = value;
    }

    static std::string Key(const char* section, const char* key) { return std::string(section) + "/" + key; }
    std::map<std::string, std::string> values;

private:
    Journal& m_journal;
};

// Every picture exists at the size of the game's card pictures.
class FakePictures : public IPictureSource {
public:
    bool PictureSize(PictureId id, int& width, int& height) const override
    {
        if (id == missing)
            return false;
        width = 77;
        height = 106;
        return true;
    }
    PictureId missing = -1;
};

class FakeView : public IDocView {
public:
    explicit FakeView(Journal& journal) : m_journal(journal) {}

    void ToggleHighlight(const CRect& rect) override { m_journal.push_back("ToggleHighlight " + Describe(rect)); }
    int ShowMessage(int stringId, unsigned style) override
    {
        m_journal.push_back("ShowMessage " + std::to_string(stringId) + " " + std::to_string(style));
        if (answers.empty())
            return IDOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void AnimateCardFall(CCard card, const CRect& rect) override
    {
        m_journal.push_back("AnimateCardFall " + std::to_string(card.GetCode()) + " " + Describe(rect));
    }
    void RefreshScoreLine() override { m_journal.push_back("RefreshScoreLine"); }
    void StartCelebration() override { m_journal.push_back("StartCelebration"); }
    void PostCommand(int commandId) override { m_journal.push_back("PostCommand " + std::to_string(commandId)); }

    static std::string Describe(const CRect& r)
    {
        return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom) + ")";
    }
    std::deque<int> answers;

private:
    Journal& m_journal;
};

}  // namespace fakes
