#include "CheckReport.h"

using CheckVerdicts::Verdict;

CheckReport::CheckReport (const juce::String& path)
    : modulePath (path)
{
}

void CheckReport::startSection (const juce::String& title, const juce::String& key)
{
    section = title;
    factsKey = key;
}

void CheckReport::add (const juce::String& name, const CheckVerdicts::Finding& finding)
{
    add (name, finding.verdict, finding.detail);
}

void CheckReport::add (const juce::String& name, Verdict verdict, const juce::String& detail)
{
    lines.push_back ({ section, name, verdict, detail, false });
}

void CheckReport::note (const juce::String& text)
{
    lines.push_back ({ section, {}, Verdict::pass, text, true });
}

void CheckReport::setFact (const juce::String& name, const juce::var& value)
{
    if (! facts->hasProperty (factsKey))
        facts->setProperty (factsKey, new juce::DynamicObject());

    if (auto* object = facts->getProperty (factsKey).getDynamicObject())
        object->setProperty (name, value);
}

void CheckReport::setLoadFailure (const juce::String& title, const juce::String& message)
{
    loadFailed = true;
    failureTitle = title;
    failureMessage = message;
    add ("module", Verdict::fail, title + ": " + message.replace ("\n\n", ": ").replace ("\n", " "));
}

int CheckReport::count (Verdict verdict) const
{
    int n = 0;
    for (const auto& line : lines)
        if (! line.isNote && line.verdict == verdict)
            ++n;
    return n;
}

int CheckReport::exitCode() const
{
    if (loadFailed)
        return 2;

    return count (Verdict::fail) > 0 ? 1 : 0;
}

juce::String CheckReport::summary() const
{
    return juce::String (count (Verdict::pass)) + " PASS, " + juce::String (count (Verdict::warn)) + " WARN, "
        + juce::String (count (Verdict::fail)) + " FAIL: "
        + (loadFailed                      ? "the module could not be loaded"
               : count (Verdict::fail) > 0 ? "the host will not run this plug-in as intended"
               : count (Verdict::warn) > 0 ? "the host runs it; see the warnings"
                                           : "the host runs it as intended");
}

juce::String CheckReport::asText() const
{
    juce::String text;
    text << "tolvane-check " << modulePath << "\n";

    juce::String currentSection;
    for (const auto& line : lines)
    {
        if (line.section != currentSection)
        {
            currentSection = line.section;
            text << "\n"
                 << currentSection << "\n";
        }

        if (line.isNote)
            text << "      " << line.detail << "\n";
        else
            text << CheckVerdicts::nameOf (line.verdict) << "  " << line.name.paddedRight (' ', 17)
                 << " " << line.detail << "\n";
    }

    text << "\n"
         << "Summary: " << summary() << " (exit " << exitCode() << ")"
         << "\n";
    return text;
}

juce::String CheckReport::asJson() const
{
    juce::Array<juce::var> checks, notes;

    for (const auto& line : lines)
    {
        auto* entry = new juce::DynamicObject();
        entry->setProperty ("section", line.section);

        if (line.isNote)
        {
            entry->setProperty ("text", line.detail);
            notes.add (juce::var (entry));
            continue;
        }

        entry->setProperty ("name", line.name);
        entry->setProperty ("verdict", CheckVerdicts::nameOf (line.verdict));
        entry->setProperty ("detail", line.detail);
        checks.add (juce::var (entry));
    }

    auto* counts = new juce::DynamicObject();
    counts->setProperty ("pass", count (Verdict::pass));
    counts->setProperty ("warn", count (Verdict::warn));
    counts->setProperty ("fail", count (Verdict::fail));
    counts->setProperty ("text", summary());

    juce::DynamicObject::Ptr document (new juce::DynamicObject());
    document->setProperty ("module", modulePath);
    document->setProperty ("loaded", ! loadFailed);

    if (loadFailed)
    {
        auto* failure = new juce::DynamicObject();
        failure->setProperty ("title", failureTitle);
        failure->setProperty ("message", failureMessage);
        document->setProperty ("loadFailure", juce::var (failure));
    }

    document->setProperty ("checks", checks);
    document->setProperty ("notes", notes);
    document->setProperty ("facts", juce::var (facts.get()));
    document->setProperty ("summary", juce::var (counts));
    document->setProperty ("exitCode", exitCode());

    // The framework ends lines with CR LF on Windows; the console would double the CR.
    return juce::JSON::toString (juce::var (document.get())).removeCharacters ("\r") + "\n";
}
