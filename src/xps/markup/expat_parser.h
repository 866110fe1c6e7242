// Owner of an expat parser, created with namespace processing: names come as namespace, separator, local
// name.
#pragma once

#include <expat.h>

#include "platform.h"
#include "xps/document_failure.h"

class ExpatParser {
public:
    explicit ExpatParser(char separator) : m_parser(XML_ParserCreateNS(nullptr, separator))
    {
        if (m_parser == nullptr)
            ThrowDocument(E_OUTOFMEMORY);
    }
    ~ExpatParser() { XML_ParserFree(m_parser); }
    ExpatParser(const ExpatParser&) = delete;
    ExpatParser& operator=(const ExpatParser&) = delete;

    XML_Parser Get() const { return m_parser; }

private:
    XML_Parser m_parser;
};
