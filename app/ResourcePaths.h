#pragma once
// Data files are named by relative paths with forward slashes ("textures/tex.dat")
// and found from the working folder; per-user files live in the save folder.
#include <string>

class TiXmlDocument;

// The path to open for a resource name: the working folder joined with the name,
// else the name's last piece in "win32_mandatory", else in "iphone_mandatory",
// else the name unchanged (so the caller's own open fails and reports it).
std::string resolveResourcePath(const std::string& name);

// True when path is a regular file that opens for reading; a folder is not a file.
bool fileExists(const std::string& path);

// The path of fileName in the per-user save folder (created on every call);
// fileName unchanged when the system has no per-user data folder.
std::string getSaveFilePath(const std::string& fileName);

// Loads an XML resource (for instance "gamedesign/settings.ynm") through the
// resolver. Returns false when the document reports an error (doc.ErrorDesc()
// then says which, with "Failed to open file" for a missing one).
bool loadXmlResource(TiXmlDocument& doc, const std::string& name);

// How loadXmlResourceIfPresent went.
enum class XmlResource { Absent, Loaded, Failed };

// As loadXmlResource, but a resource that the resolver finds nowhere is
// Absent, with nothing said and the document untouched; Failed when it is
// there and does not load (the document says why).
XmlResource loadXmlResourceIfPresent(TiXmlDocument& doc, const std::string& name);
