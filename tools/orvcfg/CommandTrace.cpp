#include "Command.h"
#include "ConfigSession.h"
#include "ExitCode.h"
#include "JsonWriter.h"
#include "TraceSettings.h"
#include "Tracer.h"

#include <cstdio>
#include <iomanip>
#include <string>

namespace {

std::string originText(const TraceSettings::Origin& origin)
{
    if (origin.line > 0)
        return "line " + std::to_string(origin.line);
    return origin.note.empty() ? std::string("default") : "default; " + origin.note;
}

std::string octal(unsigned mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode);
    return text;
}

struct SettingRow {
    const char* label;   // text output
    const char* jsonKey; // --json output
    std::string value;
    const TraceSettings::Origin* origin;
};

} // namespace

int runTrace(const ToolContext& context, const Invocation& invocation)
{
    // Initializing names the configuration directory's OrvTrace.properties to the trace library.
    ConfigSession session(context.programPath);
    const TraceSettings settings = Tracer::getSettings();
    const std::string file = settings.fileName.empty() ? std::string("(none: standard error)") : settings.fileName;
    const SettingRow rows[] = {
        {"file", "file", file, &settings.fileNameOrigin},
        {"max files", "maxFiles", std::to_string(settings.maxFiles), &settings.maxFilesOrigin},
        {"max file size", "maxFileSizeKiB", std::to_string(settings.maxFileSizeKb), &settings.maxFileSizeOrigin},
        {"file permission", "filePermission", octal(settings.filePermission), &settings.filePermissionOrigin},
        {"dir permission", "dirPermission", octal(settings.dirPermission), &settings.dirPermissionOrigin},
    };

    if (invocation.has("--json")) {
        JsonWriter json(context.out);
        json.beginDocument();
        json.key("properties").value(settings.propertiesPath);
        json.key("read").value(settings.propertiesRead);
        for (const SettingRow& row : rows) {
            json.key(row.jsonKey).beginObject();
            json.key("value").value(row.value);
            json.key("origin").value(originText(*row.origin));
            json.endObject();
        }
        json.key("levels").beginArray();
        for (int component = 0; component < TraceSettings::COMPONENT_COUNT; ++component) {
            json.beginObject();
            json.key("component").value(TraceSettings::componentName(component));
            json.key("key").value(TraceSettings::levelKey(component));
            json.key("level").value(TraceSettings::levelWord(settings.levels[component]));
            json.key("origin").value(originText(settings.levelOrigins[component]));
            json.endObject();
        }
        json.endArray();
        json.key("problems").beginArray();
        for (const std::string& problem : settings.problems)
            json.value(problem);
        json.endArray();
        json.endObject();
        json.finish();
        return TOOL_EXIT_OK;
    }

    context.out << std::left << std::setw(17) << "properties:"
                << (settings.propertiesPath.empty() ? std::string("(none)") : settings.propertiesPath)
                << (settings.propertiesRead ? " (read)\n" : " (not read: defaults)\n");
    for (const SettingRow& row : rows) {
        context.out << std::left << std::setw(17) << (std::string(row.label) + ":") << row.value
                    << (row.jsonKey == std::string("maxFileSizeKiB") ? " KiB" : "") << " (" << originText(*row.origin)
                    << ")\n";
    }
    for (int component = 0; component < TraceSettings::COMPONENT_COUNT; ++component) {
        context.out << std::left << std::setw(17)
                    << (std::string("level ") + TraceSettings::componentName(component) + ":")
                    << TraceSettings::levelWord(settings.levels[component]) << " ("
                    << TraceSettings::levelKey(component) << ", " << originText(settings.levelOrigins[component])
                    << ")\n";
    }
    for (const std::string& problem : settings.problems)
        context.out << "problem:         " << problem << '\n';
    return TOOL_EXIT_OK;
}
