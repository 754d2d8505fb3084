#include "NodeAttributes.h"
#include "SAXHandler.h"
#include "TestSupport.h"
#include "XercesParser.h"
#include "XmlProxyResult.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using orvtest::TempDir;
using orvtest::writeFile;

std::string narrow(const String& text)
{
    return std::string(text.narrow(), text.narrowLength());
}

struct Event {
    std::string kind; // start, end, text, warning, error, fatal
    std::string text;
    int line = 0;
    int column = 0;
    int sequence = -1;
    std::vector<std::string> attributes; // "name=value#sequence"
};

// Records every event of a parse; can be told to throw at the n-th start tag.
class RecordingHandler : public SAXHandler {
public:
    enum Throw { THROW_NONE, THROW_RUNTIME, THROW_BAD_ALLOC };

    void startDocument() override { ++documentStarts; }
    void endDocument() override { ++documentEnds; }
    void startElement(const String& i_Name, NodeAttributes* i_Attributes, int i_Line, int i_Column,
                      int i_Sequence) override
    {
        Event event{"start", narrow(i_Name), i_Line, i_Column, i_Sequence, {}};
        for (int index = 0; i_Attributes != nullptr && index < i_Attributes->getCount(); ++index) {
            String name, value, sequence;
            i_Attributes->getAttribute(index, name, value);
            i_Attributes->getSequence(index, sequence);
            event.attributes.push_back(narrow(name) + "=" + narrow(value) + "#" + narrow(sequence));
        }
        delete i_Attributes;
        events.push_back(event);
        if (++startCount == throwAtStart) {
            if (throwKind == THROW_RUNTIME)
                throw std::runtime_error("handler failed");
            if (throwKind == THROW_BAD_ALLOC)
                throw std::bad_alloc();
        }
    }
    void endElement(const String& i_Name) override { events.push_back({"end", narrow(i_Name), 0, 0, -1, {}}); }
    void characters(const String& i_Text, int i_Line, int i_Column, int i_Sequence) override
    {
        events.push_back({"text", narrow(i_Text), i_Line, i_Column, i_Sequence, {}});
    }
    int warning(const String& i_Message, int i_Line) override { return message("warning", i_Message, i_Line); }
    int error(const String& i_Message, int i_Line) override { return message("error", i_Message, i_Line); }
    int fatalError(const String& i_Message, int i_Line) override { return message("fatal", i_Message, i_Line); }

    std::vector<Event> of(const std::string& kind) const
    {
        std::vector<Event> out;
        for (const Event& event : events)
            if (event.kind == kind)
                out.push_back(event);
        return out;
    }

    std::vector<Event> events;
    int documentStarts = 0;
    int documentEnds = 0;
    int startCount = 0;
    int throwAtStart = 0;
    Throw throwKind = THROW_NONE;

private:
    int message(const char* kind, const String& text, int line)
    {
        events.push_back({kind, narrow(text), line, 0, -1, {}});
        return 0;
    }
};

const char* const kSchema = R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xs:element name="r">
    <xs:complexType>
      <xs:sequence>
        <xs:element name="n" type="xs:int" maxOccurs="unbounded"/>
      </xs:sequence>
    </xs:complexType>
  </xs:element>
</xs:schema>
)";

class XercesParserTest : public ::testing::Test {
protected:
    String document(const std::string& name, const std::string& bytes)
    {
        writeFile(dir.file(name), bytes);
        return String(dir.file(name).c_str());
    }

    TempDir dir;
    RecordingHandler handler;
};

TEST_F(XercesParserTest, NumbersAttributesBeforeTheirElementAndSkipsWhiteSpace)
{
    XercesParser parser(&handler);
    String path = document("doc.xml", "<a x=\"v\" y=\"w\">\n  <b/>\n  hi\n  <c>  </c></a>");

    ASSERT_EQ(parser.parse(path, nullptr), XMLPROXY_SUCCESS);

    std::vector<Event> starts = handler.of("start");
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0].text, "a");
    EXPECT_EQ(starts[0].attributes, (std::vector<std::string>{"x=v#0", "y=w#1"}));
    EXPECT_EQ(starts[0].sequence, 2);
    EXPECT_EQ(starts[0].line, 1);
    EXPECT_EQ(starts[1].text, "b");
    EXPECT_EQ(starts[1].sequence, 3);
    EXPECT_EQ(starts[1].line, 2);
    EXPECT_TRUE(starts[1].attributes.empty());
    // The white space before b and inside c takes no number; the text keeps its own.
    std::vector<Event> texts = handler.of("text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "\n  hi\n  ");
    EXPECT_EQ(texts[0].sequence, 4);
    EXPECT_EQ(starts[2].sequence, 5);
    EXPECT_EQ(handler.documentStarts, 1);
    EXPECT_EQ(handler.documentEnds, 1);
    EXPECT_EQ(parser.errorCount, 0);
}

TEST_F(XercesParserTest, EveryParseNumbersFromZero)
{
    XercesParser parser(&handler);
    String path = document("doc.xml", "<a x=\"1\"><b/>hi</a>");
    ASSERT_EQ(parser.parse(path, nullptr), XMLPROXY_SUCCESS);
    ASSERT_EQ(parser.parse(path, nullptr), XMLPROXY_SUCCESS);

    std::vector<int> sequences;
    for (const Event& event : handler.events)
        if (event.kind == "start" || event.kind == "text")
            sequences.push_back(event.sequence);
    EXPECT_EQ(sequences, (std::vector<int>{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(handler.of("start")[0].attributes, std::vector<std::string>{"x=1#0"});
}

TEST_F(XercesParserTest, SchemaErrorsReachTheHandlerWithTheirLinesAndAreCounted)
{
    writeFile(dir.file("r.xsd"), kSchema);
    String path = document("doc.xml", "<r>\n<n>1</n>\n<n>x</n>\n<n>y</n>\n</r>\n");
    XercesParser parser(&handler);
    parser.validationScheme = 1;
    parser.doNamespaces = true;
    parser.doSchema = true;
    parser.validationSchemaFullChecking = true;
    parser.externalNoNamespaceSchemaLocation = String(dir.file("r.xsd").c_str());

    EXPECT_EQ(parser.parse(path, nullptr), XMLPROXY_SUCCESS);

    std::vector<Event> errors = handler.of("error");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].line, 3);
    EXPECT_EQ(errors[1].line, 4);
    EXPECT_FALSE(errors[0].text.empty());
    EXPECT_EQ(parser.errorCount, 2);
    // Errors do not stop the parse: every element still arrives.
    EXPECT_EQ(handler.of("start").size(), 4u);
}

TEST_F(XercesParserTest, ValidationSchemeDecidesWhetherTheExternalDtdIsLoaded)
{
    // The document names a DTD that does not exist: only a parser that loads external
    // DTDs notices.
    String path = document("doc.xml", "<!DOCTYPE a SYSTEM \"missing.dtd\"><a/>");
    struct Case {
        int scheme;
        bool complains;
    };
    for (const Case& c : {Case{0, false}, Case{1, true}, Case{2, true}, Case{3, true}}) {
        RecordingHandler recorder;
        XercesParser parser(&recorder);
        parser.validationScheme = c.scheme;
        EXPECT_EQ(parser.parse(path, nullptr), XMLPROXY_SUCCESS) << "scheme " << c.scheme;
        bool complained = !recorder.of("fatal").empty() || !recorder.of("error").empty();
        EXPECT_EQ(complained, c.complains) << "scheme " << c.scheme;
    }
}

TEST_F(XercesParserTest, MalformedDocumentEndsTheParseWithAFatalErrorAndResultZero)
{
    String path = document("doc.xml", "<r>\n<a>\n<b></a>\n</r>\n");
    XercesParser parser(&handler);
    EXPECT_EQ(parser.parse(path, nullptr), XMLPROXY_SUCCESS);
    std::vector<Event> fatal = handler.of("fatal");
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_EQ(fatal[0].line, 3);
    EXPECT_EQ(handler.documentEnds, 0);
}

TEST_F(XercesParserTest, MissingFileIsALibraryExceptionReportedToTheHandler)
{
    XercesParser parser(&handler);
    EXPECT_EQ(parser.parse(String(dir.file("missing.xml").c_str()), nullptr), XMLPROXY_XML_EXCEPTION);
    std::vector<Event> fatal = handler.of("fatal");
    ASSERT_EQ(fatal.size(), 1u);
    EXPECT_NE(fatal[0].text.find("missing.xml"), std::string::npos) << fatal[0].text;
    // The line is the library's own source line, not a document line.
    EXPECT_GT(fatal[0].line, 0);
    EXPECT_TRUE(handler.of("start").empty());
}

int g_StopCalls = 0;
int g_StopAfter = 0;
bool stopAfterSomeCalls()
{
    ++g_StopCalls;
    return g_StopCalls >= g_StopAfter;
}

std::string manyElements(int count)
{
    std::string body = "<r>";
    for (int i = 0; i < count; ++i)
        body += "<e>" + std::to_string(i) + "</e>\n";
    return body + "</r>";
}

TEST_F(XercesParserTest, StopCallbackAnsweringTrueEndsTheParseAfterOneMoreStep)
{
    String path = document("doc.xml", manyElements(1000));
    XercesParser parser(&handler);
    g_StopCalls = 0;
    g_StopAfter = 1;

    EXPECT_EQ(parser.parse(path, stopAfterSomeCalls), XMLPROXY_STOPPED);

    EXPECT_EQ(g_StopCalls, 1);
    // parseFirst reads up to the document element; the one parseNext after the stop reads
    // one more token, far from the document's end.
    EXPECT_LE(handler.of("start").size(), 2u);
    EXPECT_EQ(handler.documentEnds, 0);
}

TEST_F(XercesParserTest, StopCallbackIsAskedBeforeEveryStepUntilTheEnd)
{
    String path = document("doc.xml", manyElements(3));
    XercesParser parser(&handler);
    g_StopCalls = 0;
    g_StopAfter = 1000000;

    EXPECT_EQ(parser.parse(path, stopAfterSomeCalls), XMLPROXY_SUCCESS);
    EXPECT_GT(g_StopCalls, 3);
    EXPECT_EQ(handler.of("start").size(), 4u);
    EXPECT_EQ(handler.documentEnds, 1);
}

TEST_F(XercesParserTest, StopCallbackIsNeverAskedWhenTheFirstStepEndsTheParse)
{
    String path = document("doc.xml", "");
    XercesParser parser(&handler);
    g_StopCalls = 0;
    g_StopAfter = 1;

    EXPECT_EQ(parser.parse(path, stopAfterSomeCalls), XMLPROXY_SUCCESS);
    EXPECT_EQ(g_StopCalls, 0);
    EXPECT_EQ(handler.of("fatal").size(), 1u);
}

TEST_F(XercesParserTest, HandlerExceptionGivesMinus1005AndKeepsTheEarlierErrorCount)
{
    writeFile(dir.file("r.xsd"), kSchema);
    String invalid = document("invalid.xml", "<r><n>x</n></r>");
    XercesParser parser(&handler);
    parser.validationScheme = 1;
    parser.doNamespaces = true;
    parser.doSchema = true;
    parser.externalNoNamespaceSchemaLocation = String(dir.file("r.xsd").c_str());
    ASSERT_EQ(parser.parse(invalid, nullptr), XMLPROXY_SUCCESS);
    ASSERT_EQ(parser.errorCount, 1);

    handler.events.clear();
    handler.startCount = 0;
    handler.throwAtStart = 2;
    handler.throwKind = RecordingHandler::THROW_RUNTIME;
    EXPECT_EQ(parser.parse(document("doc.xml", manyElements(50)), nullptr), XMLPROXY_OTHER_EXCEPTION);
    EXPECT_EQ(parser.errorCount, 1);
}

TEST_F(XercesParserTest, OutOfMemoryPassesOutOfTheParse)
{
    String path = document("doc.xml", manyElements(50));
    XercesParser parser(&handler);
    handler.throwAtStart = 3;
    handler.throwKind = RecordingHandler::THROW_BAD_ALLOC;
    EXPECT_THROW(parser.parse(path, nullptr), std::bad_alloc);

    // The library was terminated and everything released: the next parse starts afresh.
    handler.events.clear();
    handler.throwKind = RecordingHandler::THROW_NONE;
    EXPECT_EQ(parser.parse(path, nullptr), XMLPROXY_SUCCESS);
    EXPECT_EQ(handler.of("start").size(), 51u);
}

} // namespace
