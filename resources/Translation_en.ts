<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>BatchExport</name>
    <message>
        <source>选择保存目录</source>
        <translation>Choose the folder to save in</translation>
    </message>
    <message>
        <source>文件已经存在 是否覆盖</source>
        <translation>These files already exist. Overwrite them?</translation>
    </message>
    <message>
        <source>覆盖</source>
        <translation>Overwrite</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>导出统计</source>
        <translation>Export statistics</translation>
    </message>
    <message>
        <source>显示输出文件夹</source>
        <translation>Show output folder</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>BatchStatusLine</name>
    <message>
        <source>全部剩余约 %1</source>
        <translation>About %1 left in all</translation>
    </message>
    <message>
        <source>识别结束：%1 个任务失败，%2 个任务有警告</source>
        <translation>Recognition finished: %1 failed, %2 with warnings</translation>
    </message>
</context>
<context>
    <name>ExportPlanner</name>
    <message>
        <source>成功：</source>
        <translation>Succeeded:</translation>
    </message>
    <message>
        <source>失败:</source>
        <translation>Failed:</translation>
    </message>
</context>
<context>
    <name>FastScanReport</name>
    <message>
        <source>it has no video stream</source>
        <translation>it has no video stream</translation>
    </message>
    <message>
        <source>its video codec (%1) cannot be decoded</source>
        <translation>its video codec (%1) cannot be decoded</translation>
    </message>
    <message>
        <source>the crop rectangle lies outside the picture</source>
        <translation>the crop rectangle lies outside the picture</translation>
    </message>
    <message>
        <source>it cannot be read (%1)</source>
        <translation>it cannot be read (%1)</translation>
    </message>
    <message numerus="yes">
        <source>%n damaged frame(s) skipped</source>
        <translation>
            <numerusform>%n damaged frame skipped</numerusform>
            <numerusform>%n damaged frames skipped</numerusform>
        </translation>
    </message>
    <message>
        <source>the file ends early; subtitles were read up to where it breaks off</source>
        <translation>the file ends early; subtitles were read up to where it breaks off</translation>
    </message>
</context>
<context>
    <name>ImportQueue</name>
    <message>
        <source>以下文件不能导入</source>
        <translation>These files cannot be imported</translation>
    </message>
    <message>
        <source>重复的文件</source>
        <translation>Files already added</translation>
    </message>
    <message>
        <source>以下文件已经在列表中，是否再次添加？</source>
        <translation>These files are already in the list. Add them again?</translation>
    </message>
</context>
<context>
    <name>MainQtWidgetsClass</name>
    <message>
        <source>TNX视频字幕提取(TNX OCR)</source>
        <translation>TNX OCR</translation>
    </message>
    <message>
        <source>识别引擎</source>
        <translation>Recognition engine</translation>
    </message>
    <message>
        <source>按语言自动选择</source>
        <translation>By language (automatic)</translation>
    </message>
    <message>
        <source>未保存的更改</source>
        <translation>Unsaved changes</translation>
    </message>
    <message>
        <source>任务列表有未保存的更改。退出前是否保存？</source>
        <translation>The task list has unsaved changes. Save them before quitting?</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>不保存</source>
        <translation>Don't save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
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
    <name>ProjectFile</name>
    <message>
        <source>工程文件已损坏或不完整</source>
        <translation>The project file is damaged or incomplete</translation>
    </message>
    <message>
        <source>任务 %1：%2</source>
        <translation>Task %1: %2</translation>
    </message>
    <message>
        <source>工程文件由更新版本的软件保存（任务记录版本 %1），本软件无法读取</source>
        <translation>The project file was saved by a newer version of the program (task record version %1) and cannot be read</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>检测到新版本</source>
        <translation>New version available</translation>
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
        <translation>Update</translation>
    </message>
    <message>
        <source>跳过本版本更新</source>
        <translation>Skip this version update</translation>
    </message>
    <message>
        <source>下次再说</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>版本:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>更多信息：</source>
        <translation>More information: </translation>
    </message>
    <message>
        <source>关于软件</source>
        <translation>About the software</translation>
    </message>
</context>
<context>
    <name>SRTCustomItem</name>
    <message>
        <source>error format &apos;00:00:00,000&apos;</source>
        <translation>error format &apos;00:00:00,000&apos;</translation>
    </message>
</context>
<context>
    <name>TaskCustomItem</name>
    <message>
        <source>文件丢失</source>
        <translation>file missing</translation>
    </message>
    <message>
        <source>链接文件</source>
        <translation>link file</translation>
    </message>
    <message>
        <source>错误：</source>
        <translation>Error: </translation>
    </message>
    <message>
        <source>警告：</source>
        <translation>Warning: </translation>
    </message>
    <message>
        <source>时间范围：%1 - %2</source>
        <translation>Range: %1 - %2</translation>
    </message>
    <message>
        <source>语言：%1</source>
        <translation>Languages: %1</translation>
    </message>
    <message>
        <source>快速扫描</source>
        <translation>Fast scan</translation>
    </message>
    <message>
        <source>识别间隔：%1</source>
        <translation>Recognition rate: %1</translation>
    </message>
    <message>
        <source>字幕区域：%1,%2 %3×%4</source>
        <translation>Subtitle area: %1,%2 %3×%4</translation>
    </message>
    <message>
        <source>剩余 %1</source>
        <translation>%1 left</translation>
    </message>
    <message>
        <source>内含文字字幕：%1（可直接导出）</source>
        <translation>Text subtitles inside: %1 (can be exported as they are)</translation>
    </message>
</context>
<context>
    <name>TaskState</name>
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
        <translation>recognising</translation>
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
    <name>TaskCustomItemClass</name>
    <message>
        <source>TaskCustomItem</source>
        <translation>TaskCustomItem</translation>
    </message>
    <message>
        <source>截图</source>
        <translation>screenshot</translation>
    </message>
    <message>
        <source>name</source>
        <translation>name</translation>
    </message>
    <message>
        <source>长度</source>
        <translation>duration</translation>
    </message>
    <message>
        <source>info</source>
        <translation>info</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>state</translation>
    </message>
    <message>
        <source>重新链接</source>
        <translation>relink</translation>
    </message>
    <message>
        <source>编辑</source>
        <translation>edit</translation>
    </message>
</context>
<context>
    <name>TaskListWidgetsClass</name>
    <message>
        <source>警告</source>
        <translation>warning</translation>
    </message>
    <message>
        <source>任务正在识别，请先停止再打开工程</source>
        <translation>Recognition is running. Stop it before opening a project.</translation>
    </message>
    <message>
        <source>选择视频文件</source>
        <translation>Select video files</translation>
    </message>
    <message>
        <source>列表为空,是否继续保存</source>
        <translation>The list is empty. Save it anyway?</translation>
    </message>
    <message>
        <source>保存工程</source>
        <translation>save project</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
    <message>
        <source>保存成功</source>
        <translation>Saved successfully</translation>
    </message>
    <message>
        <source>打开新项目，会覆盖当前项目。是否打开</source>
        <translation>Opening a project replaces the current task list. Open it?</translation>
    </message>
    <message>
        <source>打开工程</source>
        <translation>open project</translation>
    </message>
    <message>
        <source>打开工程失败</source>
        <translation>Could not open the project</translation>
    </message>
    <message>
        <source>工程版本和本软件版本不一致，可能打不开</source>
        <translation>The project was saved by another version of the program and may not open correctly</translation>
    </message>
    <message>
        <source>工程版本号:</source>
        <translation>Project version number:</translation>
    </message>
    <message>
        <source>重新识别</source>
        <translation>Recognise again</translation>
    </message>
    <message>
        <source>以下任务的字幕有手工修改，重新识别会替换它们。是否开始？</source>
        <translation>The subtitles of these tasks were edited by hand; recognising them again replaces the edits. Start?</translation>
    </message>
    <message>
        <source>恢复任务</source>
        <translation>Recover tasks</translation>
    </message>
    <message>
        <source>上次没有正常退出。是否恢复当时未保存的任务列表？</source>
        <translation>The program did not quit normally last time. Recover the task list that was not saved?</translation>
    </message>
    <message>
        <source>恢复</source>
        <translation>Recover</translation>
    </message>
    <message>
        <source>丢弃</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>正在检测新任务的字幕区域，完成后开始识别…</source>
        <translation>Finding the subtitle areas of the new tasks; recognition starts once they are found…</translation>
    </message>
</context>
<context>
    <name>TaskListWidgetsClassClass</name>
    <message>
        <source>TaskListWidgetsClass</source>
        <translation>TaskListWidgetsClass</translation>
    </message>
    <message>
        <source>导出所有srt</source>
        <translation>Export all as srt</translation>
    </message>
    <message>
        <source>导出所有txt</source>
        <translation>Export all as txt</translation>
    </message>
    <message>
        <source>将视频文件拖放到这里</source>
        <translation>Drag and drop video files here</translation>
    </message>
    <message>
        <source>一款通过AI人工智能，快速准确识别视频内文字的软件。</source>
        <translation>A software that quickly and accurately recognizes text in videos through AI artificial intelligence.</translation>
    </message>
    <message>
        <source>打开工程</source>
        <translation>open project</translation>
    </message>
    <message>
        <source>保存工程</source>
        <translation>save project</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>stop</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>start</translation>
    </message>
    <message>
        <source>导出所有为…</source>
        <translation>export all as…</translation>
    </message>
</context>
<context>
    <name>TaskQListWidget</name>
    <message>
        <source>警告</source>
        <translation>warning</translation>
    </message>
    <message>
        <source>任务正在识别，请先停止后再删除或重置任务</source>
        <translation>Recognition is running. Stop it before deleting or resetting tasks.</translation>
    </message>
    <message>
        <source>显示源文件</source>
        <translation>show source file</translation>
    </message>
    <message>
        <source>显示输出文件</source>
        <translation>show output file</translation>
    </message>
    <message>
        <source>打开编辑器</source>
        <translation>open editor</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>reset</translation>
    </message>
    <message>
        <source>仅重置状态</source>
        <translation>reset state only</translation>
    </message>
    <message>
        <source>导出srt字幕</source>
        <translation>Export srt subtitles</translation>
    </message>
    <message>
        <source>导出txt文本</source>
        <translation>Export txt text</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>delete</translation>
    </message>
    <message>
        <source>保存%1文件</source>
        <translation>Save the %1 file</translation>
    </message>
    <message>
        <source>导出失败</source>
        <translation>Export failed</translation>
    </message>
    <message>
        <source>导出vtt字幕</source>
        <translation>Export vtt subtitles</translation>
    </message>
    <message>
        <source>导出ass字幕</source>
        <translation>Export ass subtitles</translation>
    </message>
    <message>
        <source>导出json</source>
        <translation>Export json</translation>
    </message>
    <message>
        <source>检测字幕区域</source>
        <translation>Find the subtitle area</translation>
    </message>
    <message>
        <source>没有找到字幕区域</source>
        <translation>No subtitle area found</translation>
    </message>
    <message>
        <source>删除任务</source>
        <translation>Delete tasks</translation>
    </message>
    <message>
        <source>选中的任务中有识别结果，删除后无法恢复。是否删除？</source>
        <translation>Some of the selected tasks have results, which cannot be brought back once deleted. Delete them?</translation>
    </message>
    <message>
        <source>导出内嵌文字字幕</source>
        <translation>Export the subtitles the video carries</translation>
    </message>
</context>
<context>
    <name>TaskRecordCheck</name>
    <message>
        <source>任务记录的版本比本软件新</source>
        <translation>the task was saved by a newer version of this program</translation>
    </message>
    <message>
        <source>时间超出范围</source>
        <translation>a time is out of range</translation>
    </message>
    <message>
        <source>进度超出范围</source>
        <translation>the progress is out of range</translation>
    </message>
    <message>
        <source>未知的任务状态</source>
        <translation>unknown task state</translation>
    </message>
    <message>
        <source>识别速率超出范围</source>
        <translation>the recognition rate is out of range</translation>
    </message>
    <message>
        <source>裁剪区域超出范围</source>
        <translation>the crop rectangle is out of range</translation>
    </message>
    <message>
        <source>识别样本的时间超出范围</source>
        <translation>a sample&apos;s time is out of range</translation>
    </message>
    <message>
        <source>字幕条目的时间超出范围</source>
        <translation>a subtitle&apos;s time is out of range</translation>
    </message>
</context>
<context>
    <name>TextRecognizer</name>
    <message>
        <source>未选择识别语言</source>
        <translation>No recognition language selected</translation>
    </message>
</context>
<context>
    <name>VideoImportCheck</name>
    <message>
        <source>不是可读取的视频文件</source>
        <translation>not a readable video file</translation>
    </message>
    <message>
        <source>文件中没有视频流</source>
        <translation>the file has no video stream</translation>
    </message>
    <message>
        <source>视频的编码无法解码</source>
        <translation>the video's codec cannot be decoded</translation>
    </message>
    <message>
        <source>文件是一张静止的图片</source>
        <translation>the file is a still picture</translation>
    </message>
    <message>
        <source>文件没有给出时长</source>
        <translation>the file does not tell its length</translation>
    </message>
    <message>
        <source>%1：不是可播放的视频（%2）</source>
        <translation>%1: not a playable video (%2)</translation>
    </message>
</context>
<context>
    <name>VideoQtWidgets</name>
    <message>
        <source>error</source>
        <translation>error</translation>
    </message>
    <message>
        <source>系统没有知道已经保存的语言  请添加语言包</source>
        <translation>The saved language is not installed on this system; please add its language pack</translation>
    </message>
    <message>
        <source>选择视频文件</source>
        <translation>Select video files</translation>
    </message>
    <message>
        <source>无第二语言</source>
        <translation>no second language</translation>
    </message>
    <message>
        <source>检测字幕区域</source>
        <translation>Find the subtitle area</translation>
    </message>
    <message>
        <source>没有找到字幕区域</source>
        <translation>No subtitle area found</translation>
    </message>
</context>
<context>
    <name>VideoQtWidgetsClass</name>
    <message>
        <source>加载</source>
        <translation>load</translation>
    </message>
    <message>
        <source>主要语言</source>
        <translation>language</translation>
    </message>
    <message>
        <source>识别间隔</source>
        <translation>recognition rate</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>preview</translation>
    </message>
    <message>
        <source>保存返回列表</source>
        <translation>Save and return to the list</translation>
    </message>
    <message>
        <source>第二语言（双语字幕）</source>
        <translation>Second language (bilingual subtitles)</translation>
    </message>
    <message>
        <source>检测字幕区域</source>
        <translation>Find the subtitle area</translation>
    </message>
    <message>
        <source>快速扫描逐帧读取视频，只在字幕变化时识别；播放识别按右侧的速率播放视频</source>
        <translation>Fast scan reads every frame and recognises only where the subtitle changes; playback plays the video at the rate on the right</translation>
    </message>
    <message>
        <source>快速扫描</source>
        <translation>Fast scan</translation>
    </message>
    <message>
        <source>播放识别</source>
        <translation>Playback</translation>
    </message>
</context>
<context>
    <name>WebPageNotice</name>
    <message>
        <source>无法打开网页</source>
        <translation>The page could not be opened</translation>
    </message>
    <message>
        <source>没有可以打开网页的浏览器。请手动打开这个地址：</source>
        <translation>No browser could open the page. Please open this address by hand:</translation>
    </message>
</context>
<context>
    <name>SavedClockOffer</name>
    <message>
        <source>字幕时间</source>
        <translation>Subtitle times</translation>
    </message>
    <message numerus="yes">
        <source>本工程有 %n 个任务的时间按视频自身的时钟保存，比播放器显示的最多晚 %1。要把这些字幕移到播放器的时间吗？</source>
        <translation>
            <numerusform>%n task of this project was saved with times counted from its video&apos;s own clock, up to %1 later than players show them. Move its subtitles to the player&apos;s times?</numerusform>
            <numerusform>%n tasks of this project were saved with times counted from their videos&apos; own clock, up to %1 later than players show them. Move their subtitles to the player&apos;s times?</numerusform>
        </translation>
    </message>
</context>
</TS>
