<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>DisplayText</name>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n byte</numerusform>
            <numerusform>%n bytes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>DownloadNoticeTexts</name>
    <message numerus="yes">
        <source>%n minute(s)</source>
        <translation>
            <numerusform>%n minute</numerusform>
            <numerusform>%n minutes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n new download(s)</source>
        <translation>
            <numerusform>%n new download</numerusform>
            <numerusform>%n new downloads</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 and %n more</numerusform>
            <numerusform>%1 and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) could not be put back</source>
        <translation>
            <numerusform>%n file could not be put back</numerusform>
            <numerusform>%n files could not be put back</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ExpirySchedulerTexts</name>
    <message numerus="yes">
        <source>%n file(s) moved to Trash</source>
        <translation>
            <numerusform>%n file moved to Trash</numerusform>
            <numerusform>%n files moved to Trash</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) deleted</source>
        <translation>
            <numerusform>%n file deleted</numerusform>
            <numerusform>%n files deleted</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>NotchTexts</name>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n more waiting — Apply to all reaches them, `fadebin list` shows them</source>
        <translation>
            <numerusform>%n more waiting — Apply to all reaches them, `fadebin list` shows them</numerusform>
            <numerusform>%n more waiting — Apply to all reaches them, `fadebin list` shows them</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) could not be put back</source>
        <translation>
            <numerusform>%n file could not be put back</numerusform>
            <numerusform>%n files could not be put back</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) moved out of Downloads</source>
        <translation>
            <numerusform>%n file moved out of Downloads</numerusform>
            <numerusform>%n files moved out of Downloads</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PeripheryTexts</name>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Decided %n file(s)</source>
        <translation>
            <numerusform>Decided %n file</numerusform>
            <numerusform>Decided %n files</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SpokenTexts</name>
    <message numerus="yes">
        <source>%n second(s)</source>
        <translation>
            <numerusform>%n second</numerusform>
            <numerusform>%n seconds</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n minute(s)</source>
        <translation>
            <numerusform>%n minute</numerusform>
            <numerusform>%n minutes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s)</source>
        <translation>
            <numerusform>%n hour</numerusform>
            <numerusform>%n hours</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s)</source>
        <translation>
            <numerusform>%n day</numerusform>
            <numerusform>%n days</numerusform>
        </translation>
    </message>
</context>
</TS>
