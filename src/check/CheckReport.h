#pragma once

#include "CheckVerdicts.h"

#include <juce_core/juce_core.h>

#include <vector>

/** The checker's findings in the order they were made, grouped in sections, with the facts
    behind them; printed as text lines or as one JSON document.
*/
class CheckReport final
{
public:
    explicit CheckReport (const juce::String& modulePath);

    /** Later checks and notes belong to this section (and its facts to an object of this key). */
    void startSection (const juce::String& title, const juce::String& factsKey);

    void add (const juce::String& name, const CheckVerdicts::Finding& finding);
    void add (const juce::String& name, CheckVerdicts::Verdict verdict, const juce::String& detail);

    /** A line of information without a verdict (a check that did not run, say). */
    void note (const juce::String& text);

    /** A fact of the current section, for the JSON document. */
    void setFact (const juce::String& name, const juce::var& value);

    /** The module gave no plug-in: the application's message title and text. */
    void setLoadFailure (const juce::String& title, const juce::String& message);

    /** 2 when the module could not be loaded, 1 when a check failed, else 0. */
    int exitCode() const;

    juce::String asText() const;
    juce::String asJson() const;

private:
    struct Line
    {
        juce::String section, name;
        CheckVerdicts::Verdict verdict;
        juce::String detail;
        bool isNote;
    };

    int count (CheckVerdicts::Verdict verdict) const;
    juce::String summary() const;

    juce::String modulePath, section, factsKey, failureTitle, failureMessage;
    std::vector<Line> lines;
    juce::DynamicObject::Ptr facts { new juce::DynamicObject() };
    bool loadFailed = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CheckReport)
};
