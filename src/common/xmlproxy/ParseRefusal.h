#ifndef ORV_PARSEREFUSAL_H
#define ORV_PARSEREFUSAL_H

// Thrown out of a parse that the proxy layer itself ends: the document reached for an
// external resource or passed one of its bounds. The handler has heard a critical error
// saying why before it is thrown; the parse then returns XMLPROXY_OTHER_EXCEPTION.
class ParseRefusal {};

#endif
