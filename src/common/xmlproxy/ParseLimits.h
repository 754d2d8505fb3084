#ifndef ORV_PARSELIMITS_H
#define ORV_PARSELIMITS_H

// How much one parse may spend. A configuration document is a few hundred kilobytes of
// plain elements; these bounds sit far above that, and far below what would hurt the host
// that reads a document built to exhaust it. Text is counted as the library holds it: two
// bytes per 16-bit unit.
struct ParseLimits {
    // Text that internal entity references in element content expand to, summed over the
    // whole document (nested references count at every level).
    long long entityExpansionBytes = 16LL << 20;
    // One text run between two tags, or one attribute value.
    long long valueBytes = 16LL << 20;
    // Element names, attributes, text and the nodes that hold them, summed over the
    // whole document: this many times the bytes read from the document, but never less
    // than the floor, so that a small document may still use entities. Text full of
    // character references costs about twelve times its bytes (a text node for each run
    // between two references); plain configuration documents cost under eight.
    long long treeBytesPerDocumentByte = 16;
    long long treeFloorBytes = 64LL << 20;
    // Uncompressed bytes read from a zip archive's entry, whatever its compression method.
    long long zipEntryBytes = 64LL << 20;
    // Memory the XML library may hold at once while it reads: what a token too large for
    // the other bounds (a gigabyte comment, an attribute value the library gathers whole
    // before handing it over) meets first.
    long long libraryMemoryBytes = 128LL << 20;
};

#endif
