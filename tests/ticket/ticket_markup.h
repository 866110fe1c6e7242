// Small print tickets written for the tests.
#pragma once

#include <string>

namespace ticket_markup {

inline const std::string kFramework = "http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework";
inline const std::string kKeywords = "http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords";

inline std::string Ticket(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><psf:PrintTicket xmlns:psf=\"" + kFramework + "\" xmlns:psk=\"" +
        kKeywords +
        "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
        " xmlns:ns0000=\"http://example.com/private/keywords\" version=\"1\">" +
        body + "</psf:PrintTicket>";
}

inline std::string Feature(const std::string& name, const std::string& option, const std::string& properties = "")
{
    const std::string named = option.empty() ? "" : " name=\"" + option + "\"";
    return "<psf:Feature name=\"" + name + "\"><psf:Option" + named + ">" + properties + "</psf:Option></psf:Feature>";
}

inline std::string Scored(const std::string& name, const std::string& value)
{
    return "<psf:ScoredProperty name=\"" + name + "\"><psf:Value xsi:type=\"xsd:integer\">" + value +
        "</psf:Value></psf:ScoredProperty>";
}

// A scored property whose value is a parameter's.
inline std::string Referring(const std::string& name, const std::string& parameter)
{
    return "<psf:ScoredProperty name=\"" + name + "\"><psf:ParameterRef name=\"" + parameter + "\"/></psf:ScoredProperty>";
}

inline std::string Parameter(const std::string& name, const std::string& value)
{
    return "<psf:ParameterInit name=\"" + name + "\"><psf:Value xsi:type=\"xsd:string\">" + value +
        "</psf:Value></psf:ParameterInit>";
}

inline std::string Media(int width, int height)
{
    return Feature("psk:PageMediaSize", "psk:CustomMediaSize",
                   Scored("psk:MediaSizeWidth", std::to_string(width)) + Scored("psk:MediaSizeHeight", std::to_string(height)));
}

}  // namespace ticket_markup
