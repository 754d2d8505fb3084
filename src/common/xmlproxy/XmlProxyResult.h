#ifndef ORV_XMLPROXYRESULT_H
#define ORV_XMLPROXYRESULT_H

// Status codes of the XML proxy layer: one code space shared by the string vectors, the
// attribute tables and the parse. Hosts see the bare numbers through the public headers,
// which document them; inside the layer every code is named here and nowhere else.
enum XmlProxyResult : int {
    XMLPROXY_SUCCESS = 0,
    XMLPROXY_INDEX_OUT_OF_RANGE = -1002,
    XMLPROXY_INIT_FAILED = -1003,         // the XML library failed to initialise
    XMLPROXY_XML_EXCEPTION = -1004,       // the XML library threw out of the parse
    XMLPROXY_OTHER_EXCEPTION = -1005,     // something else (not out of memory) was thrown
    XMLPROXY_NOT_FOUND = -1006,
    XMLPROXY_NAME_PRESENT = -1007,        // attribute of that name present already
    XMLPROXY_NULL_STRING = -1009,         // also a sink's answer to an error message
    XMLPROXY_STOPPED = -1010,             // the stop callback ended the parse
    XMLPROXY_NO_INPUT_SOURCE = -1011,
};

#endif
