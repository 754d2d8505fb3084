#ifndef ORV_KEYCHANGE_H
#define ORV_KEYCHANGE_H

#include "String.h"

class OrvCfg;

// One change of a key through OrvCfg::setKey, or only its checks through OrvCfg::checkKey.
// Every key first passes the checks that touch no file, then the configuration directory's
// lock and the access check of Orv.properties; then the key's handling decides. Each
// handling is one function that states the key's rule and, after it, the key's writes and
// side effects. A change made only to be checked runs the very same functions and stops
// where the first write or side effect would begin, so the check cannot drift from the
// change it stands for.
class KeyChange {
public:
    enum Extent {
        CHECK_ONLY, // everything before the first write; the store and the files stay as they are
        WRITE,      // the whole change
    };

    // `value` is the caller's string: path keys rewrite it in place.
    KeyChange(OrvCfg& config, const String& key, String& value, Extent extent);
    KeyChange(const KeyChange&) = delete;
    KeyChange& operator=(const KeyChange&) = delete;

    // The result code of the change, or of its checks (0: the change would be written).
    int run();

private:
    using Handling = int (KeyChange::*)();
    static Handling handlingOf(const String& key);

    int traceFileName();
    int traceLevel();
    int traceComponent();
    int traceDigits();
    int provider();
    int nativePath();
    int digits();
    int readOnly();
    int commonTracePath();
    int cacheHome();
    int other();

    bool checking() const { return m_Extent == CHECK_ONLY; }
    // The stored value of `key`, empty when absent; read without a lookup, which would set
    // the service's error field.
    String storedValue(const char* key) const;
    void store();
    int writeMain(const String& key, const String& value);
    int writeTrace(const String& key, const String& value);
    int storeAndWriteBoth();
    int storeAndWriteMain();

    OrvCfg& m_Config;
    const String& m_Key;
    String& m_Value;
    const Extent m_Extent;
};

#endif
