<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>MainQtWidgetsClass</name>
    <message>
        <source>TNX视频字幕提取(TNX OCR)</source>
        <translation>TNX OCR</translation>
    </message>
</context>
<context>
    <name>MainQtWidgetsClassClass</name>
    <message>
        <source>MainQtWidgetsClass</source>
        <translation>MainQtWidgetsClass</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>更多软件</source>
        <translation>More software</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>联系我们</source>
        <translation>Contact us</translation>
    </message>
    <message>
        <source>软件帮助</source>
        <translation>Software Help</translation>
    </message>
</context>
<context>
    <name>TaskCustomItem</name>
    <message>
        <source>未知状态</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>waiting</translation>
    </message>
    <message>
        <source>识别中</source>
        <translation>Identifying</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>completed</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>cancelled</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>检测到新版本</source>
        <translation>new version detected</translation>
    </message>
    <message>
        <source>本地版本</source>
        <translation>local version</translation>
    </message>
    <message>
        <source>最新版本</source>
        <translation>new version</translation>
    </message>
    <message>
        <source>更新内容</source>
        <translation>update content</translation>
    </message>
    <message>
        <source>去更新</source>
        <translation>to update</translation>
    </message>
    <message>
        <source>跳过本版本更新</source>
        <translation>Skip this version update</translation>
    </message>
    <message>
        <source>下次再说</source>
        <translation>next time</translation>
    </message>
    <message>
        <source>版本:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>更多信息</source>
        <translation>More information</translation>
    </message>
    <message>
        <source>关于软件</source>
        <translation>About the software</translation>
    </message>
</context>
</TS>
