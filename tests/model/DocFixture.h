// A document wired to recording fakes, with helpers to lay out a table by hand.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "Fakes.h"
#include "model/Tolvane32Doc.h"

class DocFixture : public ::testing::Test {
protected:
    DocFixture() : host(journal), settings(journal), view(journal) {}

    // Builds the document after the test has prepared the settings.
    CTolvane32Doc& MakeDoc()
    {
        images.LoadImages(pictures, settings);
        doc = std::make_unique<CTolvane32Doc>(host, settings, images);
        doc->SetView(&view);
        return *doc;
    }

    // An empty table: no card anywhere.
    void ClearTable()
    {
        for (CCard& c : doc->m_aTriangle)
            c.Clear();
        for (CCard& c : doc->m_aStock)
            c.Clear();
        for (CCard& c : doc->m_aWaste)
            c.Clear();
    }
    void SetStock(std::initializer_list<CardCode> bottomToTop)
    {
        int slot = 0;
        for (CardCode code : bottomToTop)
            doc->m_aStock[slot++].SetCode(code);
    }
    void SetWaste(std::initializer_list<CardCode> bottomToTop)
    {
        int slot = 0;
        for (CardCode code : bottomToTop)
            doc->m_aWaste[slot++].SetCode(code);
    }
    std::string Rect(int position) const
    {
        CRect r;
        doc->GetPositionRect(position, &r);
        return fakes::FakeView::Describe(r);
    }
    std::string Fall(CardCode code, int position) const
    {
        return "AnimateCardFall " + std::to_string(code) + " " + Rect(position);
    }
    std::string Highlight(int position) const { return "ToggleHighlight " + Rect(position); }

    fakes::Journal journal;
    fakes::FakeHost host;
    fakes::FakeSettings settings;
    fakes::FakeView view;
    fakes::FakePictures pictures;
    CCardImageSet images;
    std::unique_ptr<CTolvane32Doc> doc;
};
