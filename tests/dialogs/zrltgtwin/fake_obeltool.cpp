// Settings libraries that the target dialogs library must refuse: one too old
// (FAKE_OLD: version 0.03), one without GetPathToDDFForInst.
#define EXPORT extern "C" __attribute__((visibility("default")))

#ifdef FAKE_OLD
EXPORT double GetDLLVersion() { return 0.03; }
#else
EXPORT double GetDLLVersion() { return 1.0; }
#endif
EXPORT int SetBINPath(const void*) { return 1; }
#define STUB(name) EXPORT int name() { return 0; }
STUB(AppendMsgLine) STUB(AppendMsgFile) STUB(EmptyMsgWnd) STUB(CloseMsgWnd) STUB(GetBINPath) STUB(GetTEMPPath)
STUB(GetPathToObelIni) STUB(GetPathToMsgWnd) STUB(GetPathToTransDLL) STUB(GetPathToDdfReaderDLL)
STUB(GetPathToZrlServer) STUB(GetZrlServerName) STUB(GetPathToProjectZCDForInst) STUB(GetPathToProjectErrorForInst)
STUB(GetPathToDDF) STUB(GetPathToDLFForInst) STUB(GetPathToMAPForInst) STUB(GetShowHelpNumber) STUB(GetObelLanguage)
STUB(SetObelLanguage) STUB(GetObelLanguagePath) STUB(GetPathToInterfaceIni) STUB(GetPathToLanguageHelpFile)
STUB(GetKXIFPort) STUB(FreeKXIFPort) STUB(GetKXIFSettings) STUB(SetKXIFSettings) STUB(DeleteMStrBuf)
