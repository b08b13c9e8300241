// The tests' one fake host, one fake settings store and one fake view.
// Each records its calls in a shared journal, so a test can check what was
// called and in which order.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "model/Random.h"
#include "view/ViewHost.h"

namespace fakes {

using Journal = std::vector<std::string>;

inline std::string Describe(const CRect& r)
{
    return (std::ostringstream() << '(' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << ')').str();
}

// Answers are taken from the front of a queue; an empty queue answers IDOK.
inline int NextAnswer(std::deque<int>& answers)
{
    const int answer = answers.empty() ? IDOK : answers.front();
    if (!answers.empty())
        answers.pop_front();
    return answer;
}

class FakeHost : public IHost, public IViewHost {
public:
    explicit FakeHost(Journal& journal) : m_journal(journal) {}

    // --- IHost
    int Rand() override { return generator.Rand(); }
    TimeSecs Now() override { return now; }
    void Beep() override { m_journal.push_back("Beep"); }
    int AskPlayerName(const std::string& achievement, std::string& name) override
    {
        m_journal.push_back("AskPlayerName " + achievement + " [" + name + "]");
        whileOpen();
        const int answer = NextAnswer(nameAnswers);
        if (answer == IDOK)
            name = typedName;
        return answer;
    }
    void TablePressed() override { ++presses; }
    void ClearComing() override { m_journal.push_back("ClearComing"); }

    // --- IViewHost
    int MessageBox(wxWindow*, const std::string& text, unsigned style) override
    {
        m_journal.push_back("MessageBox " + text + " " + std::to_string(style));
        whileOpen();
        return NextAnswer(answers);
    }
    void ChooseCardBack(wxWindow*) override { m_journal.push_back("ChooseCardBack"), whileOpen(); }
    void PlayWave(int id) override { m_journal.push_back("PlayWave " + std::to_string(id)); }
    void PlayMusic() override { m_journal.push_back("PlayMusic"); }
    void StopMusic() override { m_journal.push_back("StopMusic"); }
    void CloseMusic() override { m_journal.push_back("CloseMusic"); }
    void SetMusicEndHandler(std::function<void()> handler) override { musicEnd = std::move(handler); }
    IRandom& Random() override { return generator; }

    TimeSecs now = 1798761600;  // 2027-01-01 00:00:00 UTC
    int presses = 0;
    CRuntimeRandom generator;
    std::deque<int> nameAnswers;
    std::string typedName;
    std::deque<int> answers;
    std::function<void()> musicEnd;
    std::function<void()> whileOpen = [] {};  // runs while each dialog is open

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

// Every picture but `missing` exists, at the size of the game's cards.
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
        return NextAnswer(answers);
    }
    void AnimateCardFall(CCard card, const CRect& rect) override
    {
        m_journal.push_back("AnimateCardFall " + std::to_string(card.GetCode()) + " " + Describe(rect));
    }
    void RefreshScoreLine() override { m_journal.push_back("RefreshScoreLine"); }
    void ShowRecords() override { m_journal.push_back("ShowRecords"); }
    void StartCelebration() override { m_journal.push_back("StartCelebration"); }
    void PostCommand(int commandId) override { m_journal.push_back("PostCommand " + std::to_string(commandId)); }

    std::deque<int> answers;

private:
    Journal& m_journal;
};

}  // namespace fakes
